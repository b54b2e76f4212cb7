#include "gui/platform/help_viewer.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QSplitter>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>

#include "core/platform/help.h"

namespace vmx::platform {

HelpBrowser::HelpBrowser(QHelpEngine& engine, QWidget* parent)
    : QTextBrowser(parent), m_engine(engine) {
  setOpenExternalLinks(false);
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
  if (name.scheme() == QLatin1String("qthelp")) return m_engine.fileData(name);
  return QTextBrowser::loadResource(type, name);
}

namespace {

// The collection of one help file: in the user's cache, named after the
// file's place so that two installations do not share one.
QString collection_for(const QString& help_file) {
  const QString dir =
      QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/valmorix/help";
  QDir().mkpath(dir);
  const QString key = QString::number(qHash(QFileInfo(help_file).absoluteFilePath()), 16);
  return dir + "/valmorix-" + key + ".qhc";
}

}  // namespace

HelpViewer::HelpViewer(const QString& help_file, QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(QStringLiteral("Valmorix 帮助"));
  resize(1000, 700);
  m_engine = std::make_unique<QHelpEngine>(collection_for(help_file));
  m_engine->setReadOnly(false);  // the collection is ours to register the file in
  m_browser = new HelpBrowser(*m_engine, this);

  if (!QFileInfo::exists(help_file)) {
    m_error = QStringLiteral("找不到帮助文件 %1。").arg(help_file);
  } else if (!m_engine->setupData()) {
    m_error = QStringLiteral("帮助文件 %1 打不开：%2").arg(help_file, m_engine->error());
  } else {
    m_namespace = QHelpEngineCore::namespaceName(help_file);
    const QString registered = m_engine->documentationFileName(m_namespace);
    const QString wanted = QFileInfo(help_file).absoluteFilePath();
    // The collection points at the file itself: a newer file of the same
    // name is read at once; another file of the namespace is replaced.
    if (!registered.isEmpty() && registered != wanted)
      m_engine->unregisterDocumentation(m_namespace);
    if (m_namespace.isEmpty() || (m_engine->documentationFileName(m_namespace).isEmpty() &&
                                  !m_engine->registerDocumentation(wanted)))
      m_error =
          QStringLiteral("帮助文件 %1 不是本软件的帮助文件：%2").arg(help_file, m_engine->error());
    else
      m_ready = true;
  }

  m_tabs = new QTabWidget(this);
  QHelpContentWidget* contents = m_engine->contentWidget();
  m_tabs->addTab(contents, QStringLiteral("目录"));
  connect(contents, &QHelpContentWidget::linkActivated, this, &HelpViewer::show_url);
  connect(m_engine->contentModel(), &QHelpContentModel::contentsCreated, contents,
          [contents] { contents->expandToDepth(1); });

  auto* index_page = new QWidget(this);
  auto* index_layout = new QVBoxLayout(index_page);
  auto* filter = new QLineEdit(index_page);
  filter->setPlaceholderText(QStringLiteral("键入要找的词"));
  QHelpIndexWidget* index = m_engine->indexWidget();
  index_layout->addWidget(new QLabel(QStringLiteral("索引词："), index_page));
  index_layout->addWidget(filter);
  index_layout->addWidget(index, 1);
  connect(filter, &QLineEdit::textChanged, index,
          [index](const QString& text) { index->filterIndices(text); });
  connect(filter, &QLineEdit::returnPressed, index, &QHelpIndexWidget::activateCurrentItem);
  connect(index, &QHelpIndexWidget::documentActivated, this,
          [this](const QHelpLink& link, const QString&) { show_url(link.url); });
  connect(index, &QHelpIndexWidget::documentsActivated, this,
          [this](const QList<QHelpLink>& links, const QString&) {
            if (!links.isEmpty()) show_url(links.first().url);
          });
  m_tabs->addTab(index_page, QStringLiteral("索引"));

  auto* search_page = new QWidget(this);
  auto* search_layout = new QVBoxLayout(search_page);
  auto* search_row = new QHBoxLayout;
  m_search_box = new QLineEdit(search_page);
  m_search_box->setPlaceholderText(QStringLiteral("键入词语，空格分开"));
  auto* go = new QPushButton(QStringLiteral("搜索"), search_page);
  search_row->addWidget(m_search_box, 1);
  search_row->addWidget(go);
  m_results = new QListWidget(search_page);
  search_layout->addWidget(new QLabel(QStringLiteral("在全部帮助内容中查找："), search_page));
  search_layout->addLayout(search_row);
  search_layout->addWidget(m_results, 1);
  auto run = [this] { search(m_search_box->text()); };
  connect(go, &QPushButton::clicked, this, run);
  connect(m_search_box, &QLineEdit::returnPressed, this, run);
  connect(m_results, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    show_url(item->data(Qt::UserRole).toUrl());
    const QStringList words = m_search_box->text().split(' ', Qt::SkipEmptyParts);
    if (!words.isEmpty()) m_browser->find(words.first());
  });
  connect(m_results, &QListWidget::itemClicked, m_results, &QListWidget::itemActivated);
  m_tabs->addTab(search_page, QStringLiteral("搜索"));

  auto* split = new QSplitter(this);
  split->addWidget(m_tabs);
  split->addWidget(m_browser);
  split->setStretchFactor(1, 1);
  split->setSizes({300, 700});
  setCentralWidget(split);

  if (!m_ready) m_browser->setHtml("<h2>" + m_error.toHtmlEscaped() + "</h2>");
}

HelpViewer::~HelpViewer() = default;

QUrl HelpViewer::topic(const QString& keyword) const {
  if (!m_ready) return {};
  const QList<QHelpLink> links = m_engine->documentsForIdentifier(keyword);
  return links.isEmpty() ? QUrl() : links.first().url;
}

bool HelpViewer::show_keyword(const QString& keyword) {
  const QUrl url = topic(keyword);
  if (url.isEmpty()) return false;
  show_url(url);
  return true;
}

void HelpViewer::show_contents() {
  if (!m_ready) return;
  m_tabs->setCurrentIndex(0);
  show_url(QUrl("qthelp://" + m_namespace + "/doc/index.html"));
}

void HelpViewer::show_url(const QUrl& url) {
  m_browser->setSource(url);
  if (QHelpContentWidget* c = m_engine->contentWidget()) {
    const QModelIndex at = c->indexOf(url);
    if (at.isValid()) c->setCurrentIndex(at);
  }
}

QString HelpViewer::page_text(const QUrl& url) const {
  QTextDocument doc;
  doc.setHtml(QString::fromUtf8(m_engine->fileData(url)));
  return doc.toPlainText();
}

const std::vector<HelpViewer::Page>& HelpViewer::pages() {
  if (!m_pages.empty() || !m_ready) return m_pages;
  for (const QUrl& url : m_engine->files(m_namespace, QString(), "html")) {
    if (url.fileName() == QLatin1String("index.html")) continue;  // the contents, not a topic
    QTextDocument doc;
    doc.setHtml(QString::fromUtf8(m_engine->fileData(url)));
    QString title = doc.metaInformation(QTextDocument::DocumentTitle);
    if (title.isEmpty()) title = url.fileName();
    m_pages.push_back({url, title, doc.toPlainText()});
  }
  return m_pages;
}

// Chinese has no spaces between words, so a word is found wherever its
// characters stand together in the text; a topic that holds every word is
// listed: those with the words in the title first, then those the index
// names for them, then by how often the words occur.
QStringList HelpViewer::search(const QString& words) {
  m_results->clear();
  const QStringList wanted = words.split(' ', Qt::SkipEmptyParts);
  struct Hit {
    const Page* page;
    int score;
  };
  std::vector<Hit> hits;
  // A topic the index names for a word is where that word is explained.
  QSet<QString> indexed;
  for (const QString& w : wanted)
    for (const QHelpLink& link : m_engine->documentsForKeyword(w)) indexed << w + link.url.path();
  if (!wanted.isEmpty())
    for (const Page& p : pages()) {
      int score = 0;
      bool all = true;
      for (const QString& w : wanted) {
        const int n = p.text.count(w, Qt::CaseInsensitive);
        all = all && n > 0;
        score += n + (p.title.contains(w, Qt::CaseInsensitive) ? 100 : 0) +
                 (indexed.contains(w + p.url.path()) ? 50 : 0);
      }
      if (all) hits.push_back({&p, score});
    }
  std::stable_sort(hits.begin(), hits.end(),
                   [](const Hit& a, const Hit& b) { return a.score > b.score; });
  QStringList titles;
  for (const Hit& h : hits) {
    titles << h.page->title;
    auto* item = new QListWidgetItem(h.page->title, m_results);
    item->setData(Qt::UserRole, h.page->url);
  }
  if (hits.empty() && !wanted.isEmpty())
    m_results->addItem(QStringLiteral("没有找到含有“%1”的帮助内容。").arg(words));
  return titles;
}

QtHelp::~QtHelp() = default;

HelpViewer* QtHelp::open() {
  if (!m_viewer) m_viewer = std::make_unique<HelpViewer>(QString::fromStdString(m_file.string()));
  m_viewer->show();
  m_viewer->raise();
  m_viewer->activateWindow();
  return m_viewer.get();
}

void QtHelp::open_keyword(const std::string& keyword) {
  HelpViewer* v = open();
  if (!v->show_keyword(QString::fromStdString(keyword))) v->show_contents();
}

void QtHelp::open_contents() { open()->show_contents(); }

}  // namespace vmx::platform
