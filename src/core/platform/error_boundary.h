#pragma once

#include <exception>
#include <functional>
#include <string>

#include "core/platform/dialogs.h"

namespace vmx::platform {

// The boundary that turns an error nobody caught on purpose (a table engine
// error, a text that is not a number or date) into the standard error box and
// stops the operation there. Rows already posted stay posted: nothing is a
// transaction. Returns true when the operation ran to its end.
bool run_guarded(Dialogs& dialogs, const std::function<void()>& operation);

// For the few operations that catch everything: shows "Ignoring exception: "
// and the error's message in an information box. Returns true when the
// operation ran to its end.
bool run_ignoring_exceptions(Dialogs& dialogs, const std::function<void()>& operation);

// The text the standard error box shows for the current exception: the
// user's words where the error has them (see UserFacing), else what().
std::string describe_current_exception();
// The same for an exception in hand.
std::string describe(const std::exception& e);

}  // namespace vmx::platform
