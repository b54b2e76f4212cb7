#include "core/platform/error_boundary.h"

#include <exception>
#include <stdexcept>

namespace vmx::platform {

std::string describe_current_exception() {
  try {
    throw;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "未知错误";
  }
}

bool run_guarded(Dialogs& dialogs, const std::function<void()>& operation) {
  try {
    operation();
    return true;
  } catch (...) {
    dialogs.error(describe_current_exception());
    return false;
  }
}

bool run_ignoring_exceptions(Dialogs& dialogs, const std::function<void()>& operation) {
  try {
    operation();
    return true;
  } catch (...) {
    dialogs.inform("Ignoring exception: " + describe_current_exception());
    return false;
  }
}

}  // namespace vmx::platform
