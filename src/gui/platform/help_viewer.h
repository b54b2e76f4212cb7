// The help viewer: the program's help file with its contents, index and full-text search
// (帮助).
#pragma once

#include <QMainWindow>
#include <QString>
#include <QTextBrowser>
#include <QUrl>
#include <filesystem>
#include <memory>

#include "core/platform/help.h"

class QHelpEngine;
class QLineEdit;
class QListWidget;
class QTabWidget;

namespace vmx::platform {

// Shows pages of a help file (qthelp:// addresses) and follows its links.
class HelpBrowser : public QTextBrowser {
  Q_OBJECT
 public:
  HelpBrowser(QHelpEngine& engine, QWidget* parent = nullptr);
  QVariant loadResource(int type, const QUrl& name) override;

 private:
  QHelpEngine& m_engine;
};

// The window of the help file: on the left the contents, the index and the
// search (every topic whose text holds the words typed, Chinese too); on the
// right the topic.
class HelpViewer : public QMainWindow {
  Q_OBJECT
 public:
  // Opens `help_file` (a compressed Qt help file). Its collection, which
  // also holds the search index, is kept in the user's cache directory
  // (~/.cache/valmorix/help).
  explicit HelpViewer(const QString& help_file, QWidget* parent = nullptr);
  ~HelpViewer() override;

  // False when the file could not be opened; error() says why.
  bool ready() const { return m_ready; }
  const QString& error() const { return m_error; }

  // The topic of `keyword`; false (and nothing shown) when there is none.
  bool show_keyword(const QString& keyword);
  // The first page of the contents.
  void show_contents();
  // The topic's address for a keyword; empty when there is none.
  QUrl topic(const QString& keyword) const;
  // The text of a page of the help file, markup removed.
  QString page_text(const QUrl& url) const;
  // The titles of the topics holding every word of `words` (split at spaces),
  // best first; also shown in the search list.
  QStringList search(const QString& words);

  QHelpEngine& engine() { return *m_engine; }
  HelpBrowser* browser() const { return m_browser; }
  QTabWidget* tabs() const { return m_tabs; }
  QListWidget* search_results() const { return m_results; }

 private:
  void show_url(const QUrl& url);
  struct Page {
    QUrl url;
    QString title, text;
  };
  const std::vector<Page>& pages();

  std::unique_ptr<QHelpEngine> m_engine;
  QString m_namespace;
  bool m_ready = false;
  QString m_error;
  std::vector<Page> m_pages;  // read at the first search
  HelpBrowser* m_browser = nullptr;
  QTabWidget* m_tabs = nullptr;
  QLineEdit* m_search_box = nullptr;
  QListWidget* m_results = nullptr;
};

// The program's Help: opens the viewer on `help_file` at the first request,
// raises it afterwards. A keyword without a topic shows the contents.
class QtHelp : public Help {
 public:
  explicit QtHelp(std::filesystem::path help_file) : m_file(std::move(help_file)) {}
  ~QtHelp() override;
  void open_keyword(const std::string& keyword) override;
  void open_contents() override;
  // The viewer, once opened.
  HelpViewer* viewer() const { return m_viewer.get(); }

 private:
  HelpViewer* open();
  std::filesystem::path m_file;
  std::unique_ptr<HelpViewer> m_viewer;
};

}  // namespace vmx::platform
