#pragma once
// A stall benchmark works in a home of its own: HOME, the XDG folders, TMPDIR
// and NULLVANE_ROOT point into one temporary folder, made before the
// application object and removed at the end. The erase history, the user
// defaults and the applications the uninstaller finds are then the
// benchmark's own, never the user's.
//
// Also the small drivers the erase tools' benchmarks share: the modal dialog
// on screen and its button of a given title.

#include "toolkit/StatusAttachedWindow.h"
#include "toolkit/TextImageButton.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QString>
#include <cstdio>
#include <cstdlib>

namespace bench {

class StallSandbox {
public:
    StallSandbox()
    {
        QByteArray pattern = QFile::encodeName(QDir::tempPath()) + "/nullvane-stall-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("cannot make the benchmark's folder");
            std::exit(1);
        }
        path_ = QFile::decodeName(pattern);
        for (const auto& [var, sub] : {std::pair{"HOME", "home"}, {"XDG_CONFIG_HOME", "config"},
                                       {"XDG_DATA_HOME", "data"}, {"XDG_CACHE_HOME", "cache"},
                                       {"XDG_STATE_HOME", "state"}, {"XDG_DATA_DIRS", "share"},
                                       {"XDG_RUNTIME_DIR", "runtime"}, {"TMPDIR", "tmp"},
                                       {"NULLVANE_ROOT", "root"}}) {
            const QString folder = path_ + QLatin1Char('/') + QLatin1String(sub);
            QDir().mkpath(folder);
            qputenv(var, QFile::encodeName(folder));
        }
        QFile::setPermissions(path_ + QStringLiteral("/runtime"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    ~StallSandbox() { QDir(path_).removeRecursively(); }
    StallSandbox(const StallSandbox&) = delete;
    StallSandbox& operator=(const StallSandbox&) = delete;

    // A folder inside the sandbox, made on demand.
    QString folder(const QString& sub) const
    {
        const QString p = path_ + QLatin1Char('/') + sub;
        QDir().mkpath(p);
        return p;
    }

private:
    QString path_;
};

// Writes `bytes` to a new file; folders are made as needed.
inline bool writeBenchFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The modal dialog on screen now, if any.
inline StatusAttachedWindow* runningDialog()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<StatusAttachedWindow*>(w);
        if (dialog && dialog->isVisible() && dialog->isRunningModal())
            return dialog;
    }
    return nullptr;
}

// The button of `root` titled `title`, if any.
inline TextImageButton* buttonTitled(QWidget* root, const QString& title)
{
    for (TextImageButton* b : root->findChildren<TextImageButton*>())
        if (b->textField() && b->textField()->text() == title)
            return b;
    return nullptr;
}

} // namespace bench
