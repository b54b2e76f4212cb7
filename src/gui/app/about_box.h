// The about box: the program's name and version (关于本软件).
#pragma once

#include <QDialog>

namespace vmx::app {

// The program's name and version as the about box shows them.
inline constexpr const char* kProgramName = "股票资产管理软件 Valmorix";
QString program_version();

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);
};

}  // namespace vmx::app
