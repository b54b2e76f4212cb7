// The quote import window: picks a quote source and updates prices, holdings prices and the code
// list from it (更新行情数据), with its directory picker (找行情文件路径).
#pragma once

#include <QDialog>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "core/market/price_update.h"
#include "core/market/quote_source.h"

class QButtonGroup;
class QComboBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace vmx::app {
class Workspace;
}

namespace vmx::market {

class TForm_define;

// The progress list: entries in columns of ten lines, the list starting
// again at the top left after 41 entries, each entry overwriting what stood
// in its place.
class ProgressList : public QWidget {
  Q_OBJECT
 public:
  explicit ProgressList(QWidget* parent = nullptr);
  void reset();
  void add(const QString& entry);
  // What each of the 41 places shows now.
  const QStringList& places() const { return m_places; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int column_width() const;
  QStringList m_places;
  int m_counter = 0;
};

// "找行情文件路径": a drive box and a directory list; "确定退出" stores the
// chosen directory as the current source's PATH.
class TForm_hqpath : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kHelpText =
      "先通过小方框选文件夹，再双击大方框中文件夹图标选自文件夹或目录。";
  TForm_hqpath(const QString& start, QWidget* parent = nullptr);
  QString chosen() const;
  void choose(const QString& dir);
  QPushButton* confirm_button() const { return m_confirm; }
  QPushButton* give_up_button() const { return m_give_up; }
  QPushButton* help_button() const { return m_help; }
  QComboBox* drive_box() const { return m_drives; }
  QTreeView* directory_list() const { return m_tree; }

 signals:
  void help_requested();

 private:
  QComboBox* m_drives = nullptr;  // DriveComboBox1
  QTreeView* m_tree = nullptr;    // DirectoryListBox1
  QFileSystemModel* m_model = nullptr;
  QLabel* m_label = nullptr;
  QPushButton* m_confirm = nullptr;
  QPushButton* m_give_up = nullptr;
  QPushButton* m_help = nullptr;
  QString m_wanted;  // shown again once its parent directory is listed

  void show_wanted();
};

// "更新行情数据": the current quote source (hq_path.DBF), its path and remark,
// the display choice, the three commands and the progress list. While it is
// open the security list window's table is closed; closing this window opens
// it again and refreshes the main window's views.
class Tform_price2 : public QDialog {
  Q_OBJECT
 public:
  // `refresh_views` is the main window's reopen (may be empty).
  Tform_price2(app::Workspace& workspace, std::function<void()> refresh_views,
               QWidget* parent = nullptr);
  ~Tform_price2() override;

  // Source picked in the picker.
  void DBLookupComboBox1CloseUp(const std::string& hqcode);
  void Button1Click();  // 改路径
  void Button8Click();  // 增删数据源并修改参数
  void Button7Click();  // 更新(补充)代码表
  void Button4Click();  // 更新所有股票价
  void Button3Click();  // 更新我的股票价
  void RadioGroup1Click(int index);
  void BitBtn6Click();  // 帮助
  void BitBtn3Click();  // 关闭
  // "停止": the running command stops before its next row.
  void cancel() { m_cancel = true; }

  // Shows the current row again (after the format window changed it).
  void show_current();
  QuoteSources& sources() { return m_sources; }
  PriceUpdate& update() { return *m_update; }

  // For tests and screenshots.
  QComboBox* picker() const { return m_picker; }
  QLineEdit* path_box() const { return m_path; }
  QLineEdit* name_box() const { return m_name; }
  QLabel* note_label() const { return m_note; }
  QLabel* dbf_note() const { return m_dbf_note; }
  QButtonGroup* display_group() const { return m_display; }
  ProgressList* progress() const { return m_progress; }
  QPushButton* button(const QString& caption) const;
  // The directory picker is shown modal; tests answer it through this hook.
  std::function<bool(TForm_hqpath&)> run_path_picker;

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

 private:
  void FormShow();
  void fill_picker();
  void run(Outcome (PriceUpdate::*command)(const QuoteSource&));

  app::Workspace& m_ws;
  std::function<void()> m_refresh;
  QuoteSources m_sources;
  std::unique_ptr<PriceUpdate> m_update;
  TForm_define* m_define = nullptr;
  bool m_cancel = false;
  bool m_running = false;
  bool m_closed_list = false;

  QComboBox* m_picker = nullptr;  // DBLookupComboBox1
  QLineEdit* m_name = nullptr;
  QLineEdit* m_path = nullptr;
  QLabel* m_note = nullptr;
  QLabel* m_dbf_note = nullptr;
  QButtonGroup* m_display = nullptr;  // RadioGroup1
  QWidget* m_display_box = nullptr;
  ProgressList* m_progress = nullptr;
  QPushButton* m_stop = nullptr;
};

// Creates and shows the window (without blocking); it deletes itself on close.
Tform_price2* show_price_window(app::Workspace& workspace, std::function<void()> refresh_views,
                                QWidget* parent);

}  // namespace vmx::market
