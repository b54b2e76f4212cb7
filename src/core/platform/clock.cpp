#include "core/platform/clock.h"

#include <sys/time.h>

#include <ctime>

namespace vmx::platform {

DateTime SystemClock::now() const {
  timeval tv{};
  ::gettimeofday(&tv, nullptr);
  std::tm tm{};
  const time_t secs = tv.tv_sec;
  ::localtime_r(&secs, &tm);
  DateTime t;
  t.date = Date::from_ymd(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = tm.tm_sec;
  t.millisecond = static_cast<int>(tv.tv_usec / 1000);
  return t;
}

Clock& system_clock() {
  static SystemClock clock;
  return clock;
}

}  // namespace vmx::platform
