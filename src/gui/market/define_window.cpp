#include "gui/market/define_window.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "core/market/day_file_probe.h"
#include "core/market/quote_source.h"
#include "core/platform/error_boundary.h"
#include "core/store/gbk.h"

namespace vmx::market {

namespace {

struct Box {
  const char* field;
  const char* caption;
};

const Box kIdentity[] = {
    {"HQCODE", "软件码"}, {"HQNAME", "软件名"}, {"PATH", "路径"}, {"NOTE", "注释"}};
const Box kDayFile[] = {{"SZSUBPATH", "深市K线相对路径"}, {"SHSUBPATH", "沪市K线相对路径"},
                        {"SZHEAD", "深市K线文件前缀"},    {"SHHEAD", "沪市K线文件前缀"},
                        {"TAIL", "K线文件后缀"},          {"LENGTH", "K线文件记录长度"},
                        {"TYPE", "价格数据类型"}};
const Box kShenzhen[] = {{"SZSUBTAB", "相对路径"}, {"SZCODEFILE", "文件名"},
                         {"SZC1", "代码起始位置"}, {"SZCLEN", "代码长度"},
                         {"SZN1", "名称起始位置"}, {"SZNLEN", "名称长度"},
                         {"SZLEN", "记录长度"}};
const Box kShanghai[] = {{"SHSUBTAB", "相对路径"}, {"SHCODEFILE", "文件名"},
                         {"SHC1", "代码起始位置"}, {"SHCLEN", "代码长度"},
                         {"SHN1", "名称起始位置"}, {"SHNLEN", "名称长度"},
                         {"SHLEN", "记录长度"}};

}  // namespace

TForm_define::TForm_define(QuoteSources& sources, platform::Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_sources(sources), m_dialogs(dialogs) {
  setObjectName("TForm_define");
  setWindowTitle("行情软件文件路径和格式定义");
  auto* layout = new QVBoxLayout(this);
  auto group = [&](const QString& title, const auto& boxes, int columns) {
    auto* g = new QGroupBox(title, this);
    auto* grid = new QGridLayout(g);
    int i = 0;
    for (const Box& b : boxes) {
      auto* e = new QLineEdit(g);
      e->setObjectName(b.field);
      m_edits[b.field] = e;
      grid->addWidget(new QLabel(b.caption, g), i / columns, (i % columns) * 2);
      grid->addWidget(e, i / columns, (i % columns) * 2 + 1);
      ++i;
    }
    layout->addWidget(g);
    return grid;
  };
  group("", kIdentity, 2);
  QGridLayout* day = group("日K线文件格式：", kDayFile, 2);
  day->addWidget(new QLabel("(浮点0，胜龙1,建功2，钱龙3)"), 3, 2, 1, 2);
  group("深市代码表文件格式：(如果深沪共用一个文件，则只填上面一行)：", kShenzhen, 4);
  group("沪市代码表文件格式：", kShanghai, 4);
  layout->addWidget(new QLabel("注：dbf, dos版汇金，胜龙，钱龙的代码表格式等未填处不必填写"));
  auto* buttons = new QHBoxLayout;
  auto add = [&](const char* caption, auto handler) {
    auto* b = new QPushButton(caption, this);
    connect(b, &QPushButton::clicked, this,
            [this, handler] { platform::run_guarded(m_dialogs, [&] { (this->*handler)(); }); });
    buttons->addWidget(b);
  };
  add("新建", &TForm_define::new_row);
  add("删除", &TForm_define::delete_row);
  add("K线文件格式测试", &TForm_define::probe);
  add("确定退出", &TForm_define::confirm);
  layout->addLayout(buttons);
}

void TForm_define::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) platform::run_guarded(m_dialogs, [this] { load(); });
}

QLineEdit* TForm_define::edit(const char* field) const {
  auto it = m_edits.find(field);
  return it == m_edits.end() ? nullptr : it->second;
}

QPushButton* TForm_define::button(const QString& caption) const {
  for (QPushButton* b : findChildren<QPushButton*>())
    if (b->text() == caption) return b;
  return nullptr;
}

void TForm_define::load() {
  store::Cursor& c = m_sources.cursor();
  for (auto& [field, e] : m_edits) {
    if (c.empty() || c.is_blank(field)) {
      e->clear();
      continue;
    }
    const store::Value v = c.value(field);
    e->setText(QString::fromStdString(c.get_string(field)));
  }
}

bool TForm_define::store() {
  store::Cursor& c = m_sources.cursor();
  if (c.empty()) return true;
  const store::Schema& schema = c.schema();
  // Every box is checked before anything is set, so a refused box leaves the row as it was.
  std::vector<std::pair<std::string, store::Value>> values;
  for (const auto& [field, e] : m_edits) {
    const std::string text = e->text().trimmed().toStdString();
    const store::FieldDef& def = schema.fields[c.field_index(field)];
    if (store::is_numeric(def.type)) {
      if (text.empty()) {
        values.emplace_back(field, store::Value());
        continue;
      }
      bool ok = false;
      const int n = e->text().trimmed().toInt(&ok);
      if (!ok || n < 0 || n > 99999) {
        m_dialogs.warn(text + "不是合适的整数.");
        return false;
      }
      values.emplace_back(field, store::Value::number(n));
    } else {
      if (static_cast<int>(store::utf8_to_gbk(text).size()) > def.width) {
        m_dialogs.warn(text + "太长,这一栏只能放" + std::to_string(def.width) + "个字节.");
        return false;
      }
      values.emplace_back(field, store::Value::text(text));
    }
  }
  for (const auto& [field, v] : values) c.set(field, v);
  c.post();
  return true;
}

void TForm_define::new_row() {
  if (!store()) return;
  store::Cursor& c = m_sources.cursor();
  c.last();
  c.append();
  c.set_bool("NOW", false);
  c.post();
  load();
}

void TForm_define::delete_row() {
  store::Cursor& c = m_sources.cursor();
  if (c.empty()) return;
  c.remove();
  if (c.eof() && !c.empty()) c.last();
  load();
}

void TForm_define::confirm() {
  if (!store()) return;
  const std::string code = m_sources.cursor().get_string("HQCODE");
  close();
  emit confirmed(QString::fromStdString(code));
}

void TForm_define::probe() {
  if (!store()) return;
  const QuoteSource s = m_sources.current();
  run_probe(m_sources.cursor(), m_dialogs, source_directory(s.path, m_sources.program_dir()));
  load();
}

}  // namespace vmx::market
