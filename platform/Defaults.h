#pragma once
// The user defaults: a few named values kept per user ("EraserTimes",
// "EraserTimesTag", "AppleLanguages"). Every write is flushed at once, so
// another reader (a worker thread, the next launch) sees it.

#include <QString>
#include <QVariant>

namespace platform::defaults {

QVariant value(const QString& key);
void setValue(const QString& key, const QVariant& value);

// 0 when the key is missing or not a number, as the system's defaults answer.
int integerForKey(const QString& key);
void setInteger(const QString& key, int value);

void remove(const QString& key);

} // namespace platform::defaults
