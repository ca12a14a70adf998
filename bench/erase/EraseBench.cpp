// How fast a file is shredded compared with writing it once with direct I/O.
//
//   erase_bench [folder] [size in MiB]
//
// The folder (default $NULLVANE_BENCH_DIR, else /var/tmp) should be on the
// disk to measure, not a tmpfs. In it, a file of 512 MiB is shredded with one
// pass and with two, and a file of the same size is written once with direct
// I/O. Each is done three times and the medians are reported. The aim: two
// passes take at most 1.35 times as long as two direct writes, which means a
// random pass runs at the speed of the disk, not of the random generator.

#include "core/securelyEraseFile.h"
#include "platform/OverwriteFile.h"
#include "platform/SecureRandom.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::int64_t kChunk = 16 * 1024 * 1024;
constexpr double kTarget = 1.35;

struct Buffer {
    explicit Buffer(std::size_t n) : data(static_cast<char*>(platform::OverwriteFile::allocateBuffer(n))) {}
    ~Buffer() { platform::OverwriteFile::freeBuffer(data); }
    char* data;
};

// Writes a new file of `size` bytes from `buffer` with direct I/O, flushed at
// the end. Seconds taken, or -1.
double directWrite(const QString& path, std::int64_t size, const char* buffer)
{
    QElapsedTimer t;
    t.start();
    const int fd = ::open(QFile::encodeName(path).constData(), O_CREAT | O_TRUNC | O_WRONLY | O_DIRECT | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    std::int64_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, buffer, static_cast<std::size_t>(std::min(kChunk, size - done)));
        if (n <= 0) {
            ::close(fd);
            return -1;
        }
        done += n;
    }
    const bool synced = fdatasync(fd) == 0;
    ::close(fd);
    return synced ? t.nsecsElapsed() / 1e9 : -1;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double mibPerSecond(std::int64_t bytes, double seconds)
{
    return bytes / 1048576.0 / seconds;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString folder = qEnvironmentVariable("NULLVANE_BENCH_DIR", QStringLiteral("/var/tmp"));
    std::int64_t size = 512LL * 1024 * 1024;
    if (argc > 1)
        folder = QString::fromLocal8Bit(argv[1]);
    if (argc > 2)
        size = std::max(1LL, std::atoll(argv[2])) * 1024 * 1024;

    QTemporaryDir work(folder + QStringLiteral("/nullvane-erase-bench-XXXXXX"));
    if (!work.isValid()) {
        std::fprintf(stderr, "cannot make a folder in %s\n", qPrintable(folder));
        return 1;
    }
    const QString target = work.path() + QStringLiteral("/target.bin");
    const QString plain = work.path() + QStringLiteral("/plain.bin");

    // Random content for the files that get written, so that a disk that
    // compresses or skips zeros gains nothing.
    Buffer content(kChunk);
    if (!content.data || !platform::secureRandomBytes(content.data, kChunk)) {
        std::fprintf(stderr, "cannot prepare the write buffer\n");
        return 1;
    }

    std::printf("folder %s, file %.0f MiB\n", qPrintable(work.path()), size / 1048576.0);
    std::vector<double> writes, one, two, zeroPass, randomPass, ratioOne, ratioTwo;
    for (int round = 1; round <= 3; ++round) {
        const double w = directWrite(plain, size, content.data);
        QFile::remove(plain);

        if (directWrite(target, size, content.data) < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(target));
            return 1;
        }
        QElapsedTimer t;
        t.start();
        const bool ok1 = securelyEraseFile(target, 1);
        const double s1 = t.nsecsElapsed() / 1e9;

        if (directWrite(target, size, content.data) < 0)
            return 1;
        std::vector<double> passEnds;
        EraseObserver watch;
        watch.passFinished = [&](int) { passEnds.push_back(t.nsecsElapsed() / 1e9); };
        t.restart();
        const bool ok2 = securelyEraseFile(target, 2, watch);
        const double s2 = t.nsecsElapsed() / 1e9;

        if (w <= 0 || !ok1 || !ok2 || passEnds.size() != 2) {
            std::fprintf(stderr, "round %d failed (direct write %.3f s, shred %d/%d)\n", round, w, ok1, ok2);
            return 1;
        }
        writes.push_back(w);
        one.push_back(s1);
        two.push_back(s2);
        zeroPass.push_back(passEnds[0]);
        randomPass.push_back(passEnds[1] - passEnds[0]);
        ratioOne.push_back(s1 / w);
        ratioTwo.push_back(s2 / (2 * w));
        std::printf("round %d: direct write %.3f s, shred 1 pass %.3f s, shred 2 passes %.3f s "
                    "(zeros %.3f s, random %.3f s)\n",
                    round, w, s1, s2, passEnds[0], passEnds[1] - passEnds[0]);
    }

    const double w = median(writes);
    std::printf("\nmedians of 3 rounds\n");
    std::printf("  direct write       %7.3f s  %8.1f MiB/s\n", w, mibPerSecond(size, w));
    std::printf("  shred, 1 pass      %7.3f s  %8.1f MiB/s\n", median(one), mibPerSecond(size, median(one)));
    std::printf("  shred, 2 passes    %7.3f s  %8.1f MiB/s written\n", median(two), mibPerSecond(2 * size, median(two)));
    std::printf("    zero pass        %7.3f s  %8.1f MiB/s\n", median(zeroPass), mibPerSecond(size, median(zeroPass)));
    std::printf("    random pass      %7.3f s  %8.1f MiB/s\n", median(randomPass), mibPerSecond(size, median(randomPass)));
    std::printf("  ratio 1 pass / one direct write     %.2f\n", median(ratioOne));
    const double r2 = median(ratioTwo);
    std::printf("  ratio 2 passes / two direct writes  %.2f (target at most %.2f: %s)\n", r2, kTarget,
                r2 <= kTarget ? "met" : "missed");
    return 0;
}
