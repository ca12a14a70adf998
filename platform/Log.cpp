#include "Log.h"

#include <QMutex>
#include <QMutexLocker>
#include <cstdio>
#include <vector>

namespace platform {

struct LogCapture::Impl {
    mutable QMutex mutex;
    QStringList lines;
};

namespace {
QMutex captureMutex;
std::vector<LogCapture::Impl*> captures;

Q_LOGGING_CATEGORY(lcGeneral, "nullvane", QtInfoMsg)
Q_LOGGING_CATEGORY(lcNames, "nullvane.names", QtInfoMsg)

QtMsgType msgType(LogLevel level)
{
    switch (level) {
    case LogLevel::Debug:
        return QtDebugMsg;
    case LogLevel::Info:
        return QtInfoMsg;
    case LogLevel::Warning:
        break;
    }
    return QtWarningMsg;
}

} // namespace

void log(const QString& line)
{
    log(lcGeneral(), LogLevel::Info, line);
}

void logNames(const QString& line)
{
    log(lcNames(), LogLevel::Debug, line);
}

void log(const QLoggingCategory& category, LogLevel level, const QString& line)
{
    if (category.isEnabled(msgType(level))) {
        // One write per line, so that lines of two threads do not interleave.
        const QByteArray text = "nullvane: " + line.toUtf8() + '\n';
        std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stderr);
    }

    QMutexLocker lock(&captureMutex);
    for (LogCapture::Impl* c : captures) {
        QMutexLocker inner(&c->mutex);
        c->lines << line;
    }
}

LogCapture::LogCapture() : d(new Impl)
{
    QMutexLocker lock(&captureMutex);
    captures.push_back(d);
}

LogCapture::~LogCapture()
{
    {
        QMutexLocker lock(&captureMutex);
        std::erase(captures, d);
    }
    delete d;
}

QStringList LogCapture::lines() const
{
    QMutexLocker lock(&d->mutex);
    return d->lines;
}

bool LogCapture::contains(const QString& text) const
{
    QMutexLocker lock(&d->mutex);
    for (const QString& l : d->lines)
        if (l.contains(text))
            return true;
    return false;
}

} // namespace platform
