// The grouping window: which asset group each holding belongs to (为投资组合优化分组).
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

class QPushButton;

namespace vmx::app {
class Workspace;
}
namespace vmx::ui {
class DbGrid;
}

namespace vmx::optimise {

class Grouping;

// "为投资组合优化分组": the per-code table groups.db on the left, the rule
// table devision.DB on the right, both editable, with the rebuild of the
// rules from the holdings and the application of the rules to the codes.
// The optimiser window creates it once and shows it with "分组操作".
class TForm_devide : public QDialog {
  Q_OBJECT
 public:
  // Opens both tables and brings groups.db in line with the holdings (a new
  // code gets group 3). `on_close` runs each time the window closes (the
  // optimiser re-reads the holdings by group); may be empty. Throws
  // store::Error when a table cannot be read or written.
  TForm_devide(app::Workspace& workspace, std::function<void()> on_close,
               QWidget* parent = nullptr);
  ~TForm_devide() override;

  // "从持仓文件再生": the rules in line with the holdings.
  void BitBtn4Click();
  // "分组:由右确定左": after the question, each code takes its rule's group.
  void BitBtn1Click();

  Grouping& grouping() { return *m_grouping; }
  ui::DbGrid* codes_grid() const { return m_codes_grid; }
  ui::DbGrid* rules_grid() const { return m_rules_grid; }
  QPushButton* button(const QString& caption) const;

 protected:
  // Every way of closing ends here: pending edits posted, then on_close.
  void done(int result) override;

 private:
  bool post_grids();
  void run(const std::function<void()>& operation);

  app::Workspace& m_ws;
  std::function<void()> m_on_close;
  std::unique_ptr<Grouping> m_grouping;
  ui::DbGrid* m_codes_grid = nullptr;
  ui::DbGrid* m_rules_grid = nullptr;
};

}  // namespace vmx::optimise
