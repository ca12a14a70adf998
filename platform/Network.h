#pragma once
// Small synchronous HTTP requests for the few places that need the network
// (the connectivity probe, the update manifest). They block the calling
// thread, so callers run them off the main thread.

#include <QByteArray>
#include <QString>

namespace platform::net {

struct Response {
    bool finished = false;  // an answer arrived (any status)
    bool timedOut = false;  // given up after the time-out
    int httpStatus = 0;     // 0 when no HTTP answer arrived
    QByteArray body;        // empty after a time-out or a transport error
    QString error;          // empty on success
};

// One GET of `url` (http or https), never answered from a cache, abandoned
// after `timeoutMs` milliseconds in all.
Response get(const QString& url, int timeoutMs);

} // namespace platform::net
