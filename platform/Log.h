#pragma once
// The program's log: lines for developers, never shown to users, written to
// standard error and nowhere else. Never to syslog(3) or the journal: a
// data-destruction tool must not leave a list of what it destroyed in the
// system's logs.
//
// Each library logs under its own category ("nullvane.core.erase", ...).
// Lines that name the user's files are at debug level, off unless asked for
// (QT_LOGGING_RULES="nullvane.*.debug=true"). Thread-safe.

#include <QLoggingCategory>
#include <QString>
#include <QStringList>
#include <functional>

namespace platform {

enum class LogLevel { Debug, Info, Warning };

// A line at info level in the general category "nullvane".
void log(const QString& line);
// A line in `category` at `level`; written when the category is enabled for it.
void log(const QLoggingCategory& category, LogLevel level, const QString& line);
// A line that names something of the user's: a file or folder, a history
// record, a volume's label or mount point, an address, or a tool's output that
// may hold one. Debug level in the category "nullvane.names", so it is written
// only when asked for.
void logNames(const QString& line);

// Tests observe what was logged. Each capture collects the lines logged while
// it lives, from any thread, whatever their level.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList lines() const;
    bool contains(const QString& text) const; // some line contains `text`

    struct Impl;

private:
    Impl* d;
};

} // namespace platform
