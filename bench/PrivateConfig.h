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

class PrivateConfig {
public:
    PrivateConfig()
    {
        QByteArray pattern = QFile::encodeName(QDir::tempPath()) + "/nullvane-bench-config-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("cannot make a private config folder");
            std::exit(1);
        }
        path_ = QFile::decodeName(pattern);
        qputenv("XDG_CONFIG_HOME", pattern);
    }
    ~PrivateConfig() { QDir(path_).removeRecursively(); }
    PrivateConfig(const PrivateConfig&) = delete;
    PrivateConfig& operator=(const PrivateConfig&) = delete;

private:
    QString path_;
};

} // namespace bench
