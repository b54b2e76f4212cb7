#pragma once

class QCoreApplication;

namespace vmx::platform {

// Loads Qt's own Chinese texts (buttons 是/否/确定, the print and file
// dialogs) into the application. False when the translation file is missing:
// the program then runs with Qt's English texts.
bool install_chinese_translations(QCoreApplication& app);

}  // namespace vmx::platform
