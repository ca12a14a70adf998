#pragma once
// A benchmark sets its own user defaults (one pass, say); they go to a config
// folder made for this run alone and removed at its end, never to the user's
// own settings. Make one before the application object, so that nothing has
// read the config folder yet.

#include <QDir>
#include <QFile>
#include <QString>
#include <cstdio>
#include <cstdlib>

namespace bench {

// A new folder "<temp>/<prefix>XXXXXX" of this run alone; the benchmark ends
// when it cannot be made.
inline QString makeRunFolder(const QByteArray& prefix)
{
    QByteArray pattern = QFile::encodeName(QDir::tempPath()) + '/' + prefix + "XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::perror("cannot make the benchmark's folder");
        std::exit(1);
    }
    return QFile::decodeName(pattern);
}

class PrivateConfig {
public:
    PrivateConfig()
        : path_(makeRunFolder("nullvane-bench-config-"))
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(path_));
    }
    ~PrivateConfig() { QDir(path_).removeRecursively(); }
    PrivateConfig(const PrivateConfig&) = delete;
    PrivateConfig& operator=(const PrivateConfig&) = delete;

private:
    QString path_;
};

} // namespace bench
