// The quote-source definition window: adds, deletes and edits the rows of hq_path.DBF and probes a
// day file's record length and price encoding (行情软件文件路径和格式定义).
#pragma once

#include <QDialog>
#include <QString>
#include <map>
#include <string>

class QLineEdit;
class QPushButton;

namespace vmx::platform {
class Dialogs;
}

namespace vmx::market {

class QuoteSources;

// "行情软件文件路径和格式定义": one edit box per field of the update window's
// current source row. "新建" adds a row, "删除" deletes the current one
// without asking, "确定退出" stores the boxes and makes the row the current
// source, "K线文件格式测试" probes a day file and stores LENGTH and TYPE.
class TForm_define : public QDialog {
  Q_OBJECT
 public:
  TForm_define(QuoteSources& sources, platform::Dialogs& dialogs, QWidget* parent = nullptr);

  void load();        // the current row into the boxes
  bool store();       // the boxes into the current row, posted; false after a message
  void new_row();     // 新建
  void delete_row();  // 删除
  void confirm();     // 确定退出
  void probe();       // K线文件格式测试

  QLineEdit* edit(const char* field) const;
  QPushButton* button(const QString& caption) const;

 signals:
  // "确定退出": the row with this HQCODE is to become the current source.
  void confirmed(const QString& hqcode);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QuoteSources& m_sources;
  platform::Dialogs& m_dialogs;
  std::map<std::string, QLineEdit*> m_edits;
};

}  // namespace vmx::market
