#pragma once

#include <cstdint>

#include "core/platform/date.h"

namespace vmx::platform {

// Local date and time of day. Operations that stamp dates or make order
// numbers take a Clock, so tests fix the moment.
struct DateTime {
  Date date;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual DateTime now() const = 0;
  Date today() const { return now().date; }
};

// The machine's local time.
class SystemClock : public Clock {
 public:
  DateTime now() const override;
};

// A moment that stands still until a test moves it.
class FixedClock : public Clock {
 public:
  explicit FixedClock(DateTime t) : m_t(t) {}
  DateTime now() const override { return m_t; }
  void set(DateTime t) { m_t = t; }

 private:
  DateTime m_t;
};

// The shared instance the program uses unless told otherwise.
Clock& system_clock();

}  // namespace vmx::platform
