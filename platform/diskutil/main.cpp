// diskutil: lists, inspects, mounts, renames, erases and checks volumes, and
// answers with XML property lists. See DiskUtil.h for the verbs.
//
// Verbs that change a disk need root. Run by anyone else, the program starts
// itself again through pkexec (NULLVANE_PKEXEC names another pkexec), so the
// desktop asks for the administrator's password.

#include "DiskUtil.h"

#include "platform/FillLeftovers.h"
#include "platform/Process.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

void printLine(FILE* stream, const QString& line)
{
    const QByteArray bytes = line.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

int escalate(int argc, char** argv)
{
    QString pkexec = qEnvironmentVariable("NULLVANE_PKEXEC");
    if (pkexec.isEmpty())
        pkexec = platform::findProgram(QStringLiteral("pkexec"));
    if (pkexec.isEmpty()) {
        printLine(stderr, QStringLiteral("This needs administrator rights, and pkexec was not found"));
        return 1;
    }
    // pkexec wants the program as an absolute path.
    const QByteArray self = QFile::encodeName(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
    const QByteArray program = QFile::encodeName(pkexec);
    std::vector<char*> args;
    args.push_back(const_cast<char*>(program.constData()));
    args.push_back(const_cast<char*>(self.constData()));
    for (int i = 1; i < argc; ++i)
        args.push_back(argv[i]);
    args.push_back(nullptr);
    std::fflush(stdout);
    execv(program.constData(), args.data());
    printLine(stderr, QStringLiteral("Could not start %1").arg(pkexec));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && geteuid() != 0 && diskutil::needsRoot(QString::fromLocal8Bit(argv[1])))
        return escalate(argc, argv);

    QCoreApplication app(argc, argv);
    // A free-space fill killed on its way leaves its volume short of ext4's
    // reserve and holding its folder; that is put right before any verb.
    platform::settleKilledFills();
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();

    diskutil::DiskUtil tool(
        diskutil::Tools::real(), diskutil::Settings::fromEnvironment(),
        [](const QString& line) { printLine(stdout, line); },
        [](const QString& line) { printLine(stderr, line); });
    return tool.run(arguments);
}
