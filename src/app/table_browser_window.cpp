#include "app/table_browser_window.h"

#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QTableView>
#include <QVBoxLayout>

#include "store/error.h"
#include "ui/table_model.h"

namespace vmx::app {

TableBrowserWindow::TableBrowserWindow(const QString& installation_dir, QWidget* parent)
    : QMainWindow(parent), m_dir(installation_dir) {
  setWindowTitle(QStringLiteral("股票资产管理软件:Valmorix1.1 — 数据表浏览"));
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  auto* bar = new QHBoxLayout;
  bar->addWidget(new QLabel(QStringLiteral("数据表:"), central));
  m_tables = new QComboBox(central);
  m_tables->setMinimumWidth(260);
  bar->addWidget(m_tables);
  bar->addWidget(new QLabel(QStringLiteral("索引:"), central));
  m_indexes = new QComboBox(central);
  m_indexes->setMinimumWidth(160);
  bar->addWidget(m_indexes);
  bar->addStretch(1);
  m_status = new QLabel(central);
  bar->addWidget(m_status);
  layout->addLayout(bar);
  m_grid = new QTableView(central);
  m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_grid->verticalHeader()->setDefaultSectionSize(22);
  layout->addWidget(m_grid, 1);
  setCentralWidget(central);
  resize(1100, 640);

  m_session.set_alias("curr", m_dir.toStdString());
  fill_table_list();
  connect(m_tables, &QComboBox::currentTextChanged, this, &TableBrowserWindow::show_table);
  connect(m_indexes, &QComboBox::currentIndexChanged, this, [this] { apply_index(); });
  if (m_tables->count() > 0) show_table(m_tables->currentText());
}

TableBrowserWindow::~TableBrowserWindow() {
  delete m_model;
  m_model = nullptr;
}

void TableBrowserWindow::fill_table_list() {
  QDir root(m_dir);
  const QStringList patterns = {"*.db", "*.DB", "*.dbf", "*.DBF"};
  QStringList files;
  for (const QString& f : root.entryList(patterns, QDir::Files, QDir::Name)) files << f;
  for (const QString& sub : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
    for (const QString& f : QDir(root.filePath(sub)).entryList(patterns, QDir::Files, QDir::Name))
      files << sub + "/" + f;
  files.removeDuplicates();
  m_tables->addItems(files);
  const int demo = m_tables->findText("demo/tr2.DBF");
  if (demo >= 0) m_tables->setCurrentIndex(demo);
}

void TableBrowserWindow::show_table(const QString& relative_path) {
  delete m_model;
  m_model = nullptr;
  m_cursor.reset();
  const QFileInfo info(QDir(m_dir).filePath(relative_path));
  try {
    m_cursor = std::make_unique<store::Cursor>(m_session, info.absolutePath().toStdString(),
                                               info.fileName().toStdString());
    m_cursor->open();
    m_model = new ui::TableModel(*m_cursor);
    m_grid->setModel(m_model);
    m_grid->resizeColumnsToContents();
    m_status->setText(QStringLiteral("%1 行").arg(m_cursor->count()));
  } catch (const store::Error& e) {
    m_grid->setModel(nullptr);
    m_status->clear();
    QMessageBox::warning(this, windowTitle(), QString::fromStdString(e.what()));
  }
  fill_index_list();
}

void TableBrowserWindow::fill_index_list() {
  const QSignalBlocker block(m_indexes);
  m_indexes->clear();
  m_indexes->addItem(QStringLiteral("(自然顺序)"));
  if (!m_cursor || !m_cursor->active()) return;
  for (const auto& d : m_cursor->table().indexes())
    m_indexes->addItem(QString::fromStdString(d.name));
}

void TableBrowserWindow::apply_index() {
  if (!m_cursor || !m_cursor->active()) return;
  const QString name = m_indexes->currentIndex() <= 0 ? QString() : m_indexes->currentText();
  try {
    m_cursor->set_index_name(name.toStdString());
    m_status->setText(QStringLiteral("%1 行").arg(m_cursor->count()));
  } catch (const store::Error& e) {
    QMessageBox::warning(this, windowTitle(), QString::fromStdString(e.what()));
  }
}

}  // namespace vmx::app
