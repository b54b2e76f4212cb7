#include "gui/platform/help_viewer.h"

#include <QHelpEngine>
#include <QHelpIndexModel>
#include <QListWidget>
#include <QStandardPaths>
#include <QTest>

#include "core/platform/help.h"

using namespace vmx;

// The help file the build made from the topic sources.
class HelpViewerTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  // No help button or menu opens an empty page.
  void every_keyword_has_a_topic() {
    platform::HelpViewer viewer(QStringLiteral(VMX_HELP_FILE));
    QVERIFY2(viewer.ready(), qPrintable(viewer.error()));
    for (const platform::HelpKeyword& k : platform::kHelpKeywords) {
      const QUrl url = viewer.topic(k.keyword);
      QVERIFY2(url.isValid() && !url.isEmpty(), k.keyword);
      const QString text = viewer.page_text(url);
      QVERIFY2(text.contains(QString::fromUtf8(k.window)), k.keyword);  // its window's name
      QVERIFY2(text.size() > 200, k.keyword);
      QVERIFY(viewer.show_keyword(k.keyword));
      QCOMPARE(viewer.browser()->source(), url);
    }
    QVERIFY(!viewer.show_keyword("no-such-keyword"));
  }

  void index_and_search() {
    platform::HelpViewer viewer(QStringLiteral(VMX_HELP_FILE));
    QVERIFY(viewer.ready());
    QTRY_VERIFY(viewer.engine().indexModel()->stringList().contains(QStringLiteral("印花税")));
    const struct {
      const char* words;
      const char* first;  // the best topic
      bool found;
    } cases[] = {
        {"path.txt", "委托程序设置窗口", true},
        {"送股 成本价", "分红配股处理窗口", true},
        {"单位净值", "基金计算管理窗口", true},
        {"不存在的词语组合", "", false},
    };
    for (const auto& c : cases) {
      const QStringList titles = viewer.search(QString::fromUtf8(c.words));
      QCOMPARE(!titles.isEmpty(), c.found);
      if (c.found) QCOMPARE(titles.first(), QString::fromUtf8(c.first));
      QVERIFY(viewer.search_results()->count() > 0);  // the hits, or the word that none was found
    }
  }

  void a_missing_file_is_said_in_the_viewer() {
    platform::HelpViewer viewer(QStringLiteral("/nowhere/valmorix.hlp"));
    QVERIFY(!viewer.ready());
    QVERIFY(viewer.browser()->toPlainText().contains(QStringLiteral("找不到帮助文件")));
    QVERIFY(!viewer.show_keyword("login"));
  }
};

QTEST_MAIN(HelpViewerTest)
#include "help_viewer_test.moc"
