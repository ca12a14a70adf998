#include "Log.h"

#include <QMutex>
#include <QMutexLocker>
#include <cstdio>
#include <syslog.h>
#include <vector>

namespace platform {

struct LogCapture::Impl {
    mutable QMutex mutex;
    QStringList lines;
};

namespace {
QMutex captureMutex;
std::vector<LogCapture::Impl*> captures;
} // namespace

void log(const QString& line)
{
    const QByteArray utf8 = line.toUtf8();
    std::fprintf(stderr, "nullvane: %s\n", utf8.constData());
    static const bool opened = [] {
        openlog("nullvane", LOG_PID, LOG_USER);
        return true;
    }();
    (void)opened;
    syslog(LOG_NOTICE, "%s", utf8.constData());

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
