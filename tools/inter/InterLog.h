#pragma once
// The browser cleaner's log category, "nullvane.inter". Lines that name the
// user's files or folders go at debug level (off unless asked for); the rest
// at info level.

#include "platform/Log.h"

Q_DECLARE_LOGGING_CATEGORY(lcInter)

namespace interlog {
inline void file(const QString& line) { platform::log(lcInter(), platform::LogLevel::Debug, line); }
inline void info(const QString& line) { platform::log(lcInter(), platform::LogLevel::Info, line); }
} // namespace interlog
