// Before the login window: finds the installation the program works on.
#pragma once

#include <QStringList>

#include "core/platform/dialogs.h"

namespace vmx::app {

// Makes the installation the program works on its working directory, so that
// a start from the desktop menu needs no terminal in the right directory: a
// directory named on the command line ("valmorix DIR") or the working
// directory when it is an installation, else the one used last (remembered in
// ~/.config/Valmorix/valmorix.conf), else one the user names or has laid out
// (store::choose_installation). The one taken is remembered. When the user
// cancels, the working directory stays as it is.
void enter_installation(platform::Dialogs& dialogs, const QStringList& arguments);

}  // namespace vmx::app
