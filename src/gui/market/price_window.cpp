#include "gui/market/price_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "core/login/workspace.h"
#include "core/platform/error_boundary.h"
#include "gui/market/define_window.h"
#include "gui/widgets/wait_cursor.h"

namespace vmx::market {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

constexpr int kPlaces = 41;     // the list starts again after 41 entries
constexpr int kPerColumn = 10;  // ten lines a column
constexpr int kFullHeight = 475;
constexpr int kShortHeight = 310;

}  // namespace

// ---- progress list ----

ProgressList::ProgressList(QWidget* parent) : QWidget(parent) {
  setObjectName("ProgressList");
  reset();
}

void ProgressList::reset() {
  m_places = QStringList();
  for (int i = 0; i < kPlaces; ++i) m_places.append(QString());
  m_counter = 0;
  update();
}

void ProgressList::add(const QString& entry) {
  if (m_counter >= kPlaces) m_counter = 0;
  m_places[m_counter++] = entry;
  update();
}

int ProgressList::column_width() const {
  // Wide enough for a code entry with a four-character name.
  return std::max(95, fontMetrics().horizontalAdvance("600000-中国石油A") + 10);
}

QSize ProgressList::sizeHint() const {
  const int h = fontMetrics().height() + 5;
  return {5 * column_width() + 10, kPerColumn * h + 4};
}

void ProgressList::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int h = fontMetrics().height() + 5;
  for (int i = 0; i < kPlaces; ++i) {
    if (m_places[i].isEmpty()) continue;
    const int x = (i / kPerColumn) * column_width() + 5;
    const int y = (i % kPerColumn) * h;
    p.drawText(QRect(x, y, column_width() - 4, h), Qt::AlignLeft | Qt::AlignVCenter, m_places[i]);
  }
}

// ---- directory picker ----

TForm_hqpath::TForm_hqpath(const QString& start, QWidget* parent) : QDialog(parent) {
  setObjectName("TForm_hqpath");
  setWindowTitle("找行情文件路径");
  resize(420, 420);
  auto* layout = new QVBoxLayout(this);
  m_label = new QLabel(this);
  m_label->setObjectName("Label1");
  layout->addWidget(m_label);
  m_drives = new QComboBox(this);
  m_drives->setObjectName("DriveComboBox1");
  QStringList roots = {QDir::rootPath(), QDir::homePath()};
  for (const QStorageInfo& v : QStorageInfo::mountedVolumes())
    if (v.isValid() && v.isReady() && !roots.contains(v.rootPath())) roots.append(v.rootPath());
  m_drives->addItems(roots);
  layout->addWidget(m_drives);
  m_model = new QFileSystemModel(this);
  m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
  m_model->setRootPath(QDir::rootPath());
  m_tree = new QTreeView(this);
  m_tree->setObjectName("DirectoryListBox1");
  m_tree->setModel(m_model);
  for (int c = 1; c < m_model->columnCount(); ++c) m_tree->hideColumn(c);
  m_tree->header()->hide();
  layout->addWidget(m_tree, 1);
  auto* buttons = new QHBoxLayout;
  m_confirm = new QPushButton("确定退出", this);
  m_give_up = new QPushButton("放弃退出", this);
  m_help = new QPushButton("帮助", this);
  buttons->addWidget(m_confirm);
  buttons->addWidget(m_give_up);
  buttons->addWidget(m_help);
  layout->addLayout(buttons);

  connect(m_drives, &QComboBox::currentTextChanged, this, [this](const QString& root) {
    m_tree->setRootIndex(m_model->index(root));
    choose(root);
  });
  connect(m_model, &QFileSystemModel::directoryLoaded, this, [this](const QString& path) {
    // Each listed ancestor lets the next level open. The model sorts a new
    // listing a moment after it arrives, so the final scroll waits for that.
    if (m_wanted.isEmpty() || !(m_wanted + '/').startsWith(path == "/" ? path : path + '/')) return;
    show_wanted();
    if (QFileInfo(m_wanted).absolutePath() == path)
      QTimer::singleShot(150, this, [this] {
        show_wanted();
        m_wanted.clear();
      });
  });
  connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& i) { m_label->setText(m_model->filePath(i)); });
  connect(m_confirm, &QPushButton::clicked, this, &QDialog::accept);
  connect(m_give_up, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_help, &QPushButton::clicked, this, &TForm_hqpath::help_requested);
  {
    const QSignalBlocker block(m_drives);
    m_drives->setCurrentIndex(0);
  }
  m_tree->setRootIndex(m_model->index(QDir::rootPath()));
  choose(QDir(start).exists() ? QDir(start).absolutePath() : QDir::homePath());
}

QString TForm_hqpath::chosen() const { return m_label->text(); }

void TForm_hqpath::choose(const QString& dir) {
  m_wanted = dir;
  show_wanted();
  m_label->setText(dir);
}

// The model lists directories in the background and only those that are
// open: the wanted directory is opened down to and shown again as each
// ancestor's listing arrives.
void TForm_hqpath::show_wanted() {
  QModelIndex at = m_model->index(QDir::rootPath());
  QString path;
  for (const QString& part : m_wanted.split('/', Qt::SkipEmptyParts)) {
    m_tree->expand(at);
    path += '/' + part;
    const QModelIndex next = m_model->index(path);
    if (!next.isValid()) return;  // not listed yet
    at = next;
  }
  m_tree->setCurrentIndex(at);
  m_tree->scrollTo(at, QAbstractItemView::PositionAtCenter);
}

// ---- the update window ----

Tform_price2::Tform_price2(app::Workspace& workspace, std::function<void()> refresh_views,
                           QWidget* parent)
    : QDialog(parent),
      m_ws(workspace),
      m_refresh(std::move(refresh_views)),
      m_sources(workspace.session()),
      m_update(std::make_unique<PriceUpdate>(workspace.session(), workspace.dialogs(),
                                             workspace.clock())) {
  setObjectName("Tform_price2");
  setWindowTitle("更新行情数据");
  setModal(false);
  move(200, 100);

  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel("行情源："), 0, 0);
  m_picker = new QComboBox(this);
  m_picker->setObjectName("DBLookupComboBox1");
  m_picker->setMinimumWidth(320);
  grid->addWidget(m_picker, 0, 1);
  m_name = new QLineEdit(this);
  m_name->setObjectName("Edit2");
  m_name->setReadOnly(true);
  grid->addWidget(m_name, 0, 2);
  grid->addWidget(new QLabel("路径："), 1, 0);
  m_path = new QLineEdit(this);
  m_path->setObjectName("Edit1");
  m_path->setReadOnly(true);
  grid->addWidget(m_path, 1, 1);
  auto* change = new QPushButton("改路径", this);
  grid->addWidget(change, 1, 2);
  m_note = new QLabel(this);
  m_note->setObjectName("Label_note");
  grid->addWidget(m_note, 2, 1);
  m_dbf_note = new QLabel("唯dfbg格式只更新不显示", this);
  m_dbf_note->hide();
  grid->addWidget(m_dbf_note, 2, 2);
  layout->addLayout(grid);

  auto* middle = new QHBoxLayout;
  auto* commands = new QVBoxLayout;
  auto add = [&](const char* caption, auto handler) {
    auto* b = new QPushButton(caption, this);
    connect(b, &QPushButton::clicked, this, handler);
    return b;
  };
  commands->addWidget(add("更新所有股票价", [this] { Button4Click(); }));
  commands->addWidget(add("更新我的股票价", [this] { Button3Click(); }));
  commands->addWidget(add("更新(补充)代码表", [this] { Button7Click(); }));
  middle->addLayout(commands);
  auto* box = new QGroupBox("显示选择", this);
  m_display_box = box;
  auto* radios = new QVBoxLayout(box);
  m_display = new QButtonGroup(this);
  const char* items[] = {"只更新不显示", "只显示不更新", "既更新也显示"};
  for (int i = 0; i < 3; ++i) {
    auto* r = new QRadioButton(items[i], box);
    m_display->addButton(r, i);
    radios->addWidget(r);
  }
  m_display->button(2)->setChecked(true);
  connect(m_display, &QButtonGroup::idClicked, this, [this](int id) { RadioGroup1Click(id); });
  middle->addWidget(box);
  auto* side = new QVBoxLayout;
  side->addWidget(add("增删数据源并修改参数", [this] { Button8Click(); }));
  m_stop = add("停止", [this] { cancel(); });
  m_stop->setEnabled(false);
  side->addWidget(m_stop);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(add("帮助", [this] { BitBtn6Click(); }));
  bottom->addWidget(add("关闭", [this] { BitBtn3Click(); }));
  side->addLayout(bottom);
  middle->addLayout(side);
  layout->addLayout(middle);

  m_progress = new ProgressList(this);
  layout->addWidget(m_progress, 1);
  layout->addStretch(0);  // takes the room below the controls while the list is hidden
  connect(change, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(m_picker, &QComboBox::activated, this, [this](int i) {
    const std::string code = m_picker->itemData(i).toString().toStdString();
    platform::run_guarded(m_ws.dialogs(), [&] { DBLookupComboBox1CloseUp(code); });
  });

  m_update->set_progress({[this] { m_progress->reset(); },
                          [this](const std::string& e) { m_progress->add(q(e)); },
                          [this] {
                            // Keep the window alive so the stop button can be pressed.
                            QApplication::processEvents();
                            return m_cancel;
                          }});
  m_update->set_reopen_views([this] {
    if (m_refresh) m_refresh();
  });

  // FormCreate: the current source.
  platform::run_guarded(m_ws.dialogs(), [this] {
    fill_picker();
    show_current();
  });
  resize(std::max(width(), m_progress->sizeHint().width() + 20),
         m_display->checkedId() == 0 ? kShortHeight : kFullHeight);
}

Tform_price2::~Tform_price2() = default;

void Tform_price2::fill_picker() {
  const QSignalBlocker block(m_picker);
  m_picker->clear();
  for (const QuoteSource& s : m_sources.all())
    m_picker->addItem(q(s.hqcode + "  " + s.hqname + "  " + s.path + "  " + s.note), q(s.hqcode));
}

void Tform_price2::show_current() {
  if (!m_sources.locate_current()) return;
  const QuoteSource s = m_sources.current();
  m_path->setText(q(s.path));
  m_name->setText(q(s.hqname));
  m_note->setText(q(s.note));
  {
    const QSignalBlocker block(m_picker);
    m_picker->setCurrentIndex(m_picker->findData(q(s.hqcode)));
  }
  const bool dbf = s.layout() == Layout::Dbf;
  if (dbf) {
    m_display->button(0)->setChecked(true);
    RadioGroup1Click(0);
  }
  m_display_box->setEnabled(!dbf);
  m_dbf_note->setVisible(dbf);
}

void Tform_price2::DBLookupComboBox1CloseUp(const std::string& hqcode) {
  m_sources.pick(hqcode);
  fill_picker();
  show_current();
}

void Tform_price2::RadioGroup1Click(int index) {
  if (m_display->checkedId() != index) m_display->button(index)->setChecked(true);
  m_update->set_display(static_cast<Display>(index));
  m_progress->setVisible(index != 0);
  resize(width(), index == 0 ? kShortHeight : kFullHeight);
}

void Tform_price2::Button1Click() {
  const QuoteSource s = m_sources.current();
  const QString start = q(source_directory(s.path, m_sources.program_dir()).string());
  TForm_hqpath picker(start, this);
  connect(&picker, &TForm_hqpath::help_requested, this,
          [this] { m_ws.dialogs().inform(TForm_hqpath::kHelpText); });
  const bool ok = run_path_picker ? run_path_picker(picker) : picker.exec() == QDialog::Accepted;
  if (!ok) return;
  // A directory inside the installation is kept relative to it, so the
  // installation can move.
  QString dir = picker.chosen();
  const QDir program(q(m_sources.program_dir().string()));
  const QString rel = program.relativeFilePath(dir);
  if (!rel.startsWith("..") && !QDir::isAbsolutePath(rel) && rel != ".") dir = rel;
  platform::run_guarded(m_ws.dialogs(), [&] {
    if (m_sources.set_path(dir.toStdString(), m_ws.dialogs())) {
      fill_picker();
      show_current();
    }
  });
}

void Tform_price2::Button8Click() {
  if (!m_define) {
    m_define = new TForm_define(m_sources, m_ws.dialogs(), this);
    connect(m_define, &TForm_define::confirmed, this,
            [this](const QString& code) { DBLookupComboBox1CloseUp(code.toStdString()); });
  }
  m_define->show();
  m_define->raise();
}

void Tform_price2::run(Outcome (PriceUpdate::*command)(const QuoteSource&)) {
  if (m_running) return;
  m_running = true;
  m_cancel = false;
  m_stop->setEnabled(true);
  for (QPushButton* b : findChildren<QPushButton*>())
    if (b != m_stop) b->setEnabled(false);
  ui::run_busy(m_ws.dialogs(), [&] {
    m_sources.locate_current();
    (m_update.get()->*command)(m_sources.current());
  });
  for (QPushButton* b : findChildren<QPushButton*>()) b->setEnabled(true);
  m_stop->setEnabled(false);
  m_running = false;
}

void Tform_price2::Button7Click() { run(&PriceUpdate::Button7Click); }
void Tform_price2::Button4Click() { run(&PriceUpdate::Button4Click); }
void Tform_price2::Button3Click() { run(&PriceUpdate::Button3Click); }
void Tform_price2::BitBtn6Click() { m_ws.help().open_keyword("fordata"); }

void Tform_price2::BitBtn3Click() {
  platform::run_guarded(m_ws.dialogs(), [this] {
    store::Cursor& c = m_sources.cursor();
    if (c.state() != store::Cursor::State::Browse) c.post();
  });
  close();
}

QPushButton* Tform_price2::button(const QString& caption) const {
  for (QPushButton* b : findChildren<QPushButton*>())
    if (b->text() == caption) return b;
  return nullptr;
}

void Tform_price2::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void Tform_price2::FormShow() {
  // The security list's grid would follow every row this window posts.
  if (!m_closed_list) {
    m_ws.securities().cursor_as_is().close();
    m_closed_list = true;
  }
}

void Tform_price2::done(int result) {
  if (m_running) {
    m_cancel = true;  // the run ends first; closing again closes
    return;
  }
  QDialog::done(result);
  if (m_closed_list) {
    m_closed_list = false;
    platform::run_guarded(m_ws.dialogs(), [this] { m_ws.securities().cursor(); });
  }
  if (m_refresh) platform::run_guarded(m_ws.dialogs(), [this] { m_refresh(); });
}

Tform_price2* show_price_window(app::Workspace& workspace, std::function<void()> refresh_views,
                                QWidget* parent) {
  auto* w = new Tform_price2(workspace, std::move(refresh_views), parent);
  w->setAttribute(Qt::WA_DeleteOnClose);
  w->show();
  return w;
}

}  // namespace vmx::market
