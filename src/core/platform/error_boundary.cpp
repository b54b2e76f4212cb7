#include "core/platform/error_boundary.h"

#include <exception>
#include <stdexcept>

#include "core/platform/scripted_dialogs.h"
#include "core/platform/user_facing.h"

namespace vmx::platform {

std::string describe(const std::exception& e) {
  if (const auto* u = dynamic_cast<const UserFacing*>(&e)) return u->user_text();
  return e.what();
}

// A question the scripted dialogs had no answer for (UnexpectedDialog) is no
// error of the program but of the test that scripted them: it goes on to the
// test instead of ending in an error box. Real dialogs never throw it.

std::string describe_current_exception() {
  try {
    throw;
  } catch (const std::exception& e) {
    return describe(e);
  } catch (...) {
    return "未知错误";
  }
}

bool run_guarded(Dialogs& dialogs, const std::function<void()>& operation) {
  try {
    operation();
    return true;
  } catch (const UnexpectedDialog&) {
    throw;  // a test's script is wrong: that is the test's failure, not an error box
  } catch (...) {
    dialogs.error(describe_current_exception());
    return false;
  }
}

bool run_ignoring_exceptions(Dialogs& dialogs, const std::function<void()>& operation) {
  try {
    operation();
    return true;
  } catch (const UnexpectedDialog&) {
    throw;
  } catch (...) {
    dialogs.inform("Ignoring exception: " + describe_current_exception());
    return false;
  }
}

}  // namespace vmx::platform
