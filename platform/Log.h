#pragma once
// The system log: one line to standard error and to syslog. Log lines are for
// developers; users never see them.

#include <QString>
#include <QStringList>
#include <functional>

namespace platform {

void log(const QString& line);

// Tests observe what was logged. Each capture collects the lines logged while
// it lives, from any thread.
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
