// The bonus, rights and dividend window: books corporate actions into the positions
// (送股，配股和派发红利处理).
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "core/ledger/corporate_actions.h"

class QCheckBox;
class QPushButton;

namespace vmx::app {
class Workspace;
}
namespace vmx::ui {
class DbGrid;
}

namespace vmx::ledger {

// "送股，配股和派发红利处理": the account's action rows (sph.db) in an
// editable grid, and the buttons that process the current row, fill in
// names, fetch rows from 我的帐户 and delete a row. The work is
// CorporateActions'; every message goes through the workspace's Dialogs and
// errors of the engine end in the error box. Created anew each time, shown
// without blocking, freed when closed:
//   ledger::TForm_sp::launch(workspace, [main] { main->refresh_in_place(); }, main);
class TForm_sp : public QWidget {
  Q_OBJECT
 public:
  TForm_sp(app::Workspace& workspace, std::function<void()> refresh_main,
           QWidget* parent = nullptr);
  ~TForm_sp() override;

  static TForm_sp* launch(app::Workspace& workspace, std::function<void()> refresh_main,
                          QWidget* parent = nullptr);

  // "处理指定记录", "补股票名", "取记录", "删记录".
  void BitBtn3Click();
  void BitBtn4Click();
  void BitBtn5Click();
  void BitBtn6Click();

  ui::DbGrid* grid() const { return m_grid; }
  QCheckBox* cash_box() const { return m_cash; }
  QPushButton* fetch_button() const { return m_fetch; }
  CorporateActions& actions() { return m_actions; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void build();

  app::Workspace& m_ws;
  std::function<void()> m_refresh_main;
  CorporateActions m_actions;
  ui::DbGrid* m_grid = nullptr;
  QCheckBox* m_cash = nullptr;
  QPushButton* m_fetch = nullptr;
};

}  // namespace vmx::ledger
