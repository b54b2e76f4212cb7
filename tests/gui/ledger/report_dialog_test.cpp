#include "gui/ledger/report_dialog.h"

#include <QApplication>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinterInfo>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <fstream>

#include "core/install/installation.h"
#include "core/ledger/report/holdings_report.h"
#include "core/login/workspace.h"
#include "core/platform/clock.h"
#include "core/platform/help.h"
#include "core/platform/scripted_dialogs.h"
#include "core/store/error.h"
#include "gui/platform/qt_printer.h"
#include "support/checked_dialogs.h"
#include "support/demo_account.h"
#include "support/temp_dir.h"

using namespace vmx;

namespace {

// Waits for the print preview to come up, notes how many pages it shows
// (and saves a picture of it when VMX_SCREENSHOT_DIR is set), and closes it.
struct PreviewWatcher {
  int pages = -1;
  void arm() {
    QTimer::singleShot(50, [this] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* preview = qobject_cast<QPrintPreviewDialog*>(w);
        if (!preview || !preview->isVisible()) continue;
        if (auto* view = preview->findChild<QPrintPreviewWidget*>()) pages = view->pageCount();
        if (const char* dir = std::getenv("VMX_SCREENSHOT_DIR")) {
          preview->resize(1000, 800);
          QTest::qWait(100);
          preview->grab().save(QString::fromLocal8Bit(dir) + "/print_preview.png");
        }
        preview->reject();
        return;
      }
      arm();  // not up yet
    });
  }
};

}  // namespace

class ReportDialogTest : public QObject {
  Q_OBJECT
 private slots:
  void init() { m_demo = std::make_unique<test::DemoAccount>(m_clock, m_help); }
  void cleanup() { m_demo.reset(); }

  void preview_shows_the_report_and_the_cursor_stays() {
    store::Cursor& c = m_demo->ws->ledger().cursor();
    c.go_to_position(3);
    m_demo->dialogs.answer_yes();
    PreviewWatcher watcher;
    watcher.arm();
    ledger::report::print_holdings_report(nullptr, *m_demo->ws);
    QCOMPARE(watcher.pages, 1);
    QCOMPARE(c.position(), 3L);
    QVERIFY(QString::fromStdString(m_demo->dialogs.shown().back().text).contains("全部持仓记录"));
  }

  void no_prints_nothing() {
    m_demo->dialogs.answer_no();
    ledger::report::print_holdings_report(nullptr, *m_demo->ws);
    QCOMPARE(m_demo->dialogs.shown().size(), size_t(1));  // the question only
  }

  void pdf_file_and_missing_printer() {
    const std::filesystem::path pdf = m_demo->dir.path() / "report.pdf";
    platform::QtPrinter printer(platform::QtPrinter::Mode::PdfFile, nullptr, pdf);
    ledger::report::print_framed(
        printer, ledger::report::ledger_report_frame(ledger::Ledger::View::Holdings),
        std::vector<std::string>(120, " 华泰     1001"), m_clock.now());
    std::ifstream in(pdf, std::ios::binary);
    std::string head(4, '\0');
    in.read(head.data(), 4);
    QCOMPARE(head, std::string("%PDF"));

    if (!QPrinterInfo::defaultPrinter().isNull()) QSKIP("this machine has a printer");
    platform::QtPrinter none(platform::QtPrinter::Mode::DefaultPrinter);
    none.begin_document("x");
    none.write_line("x");
    QVERIFY_THROWS_EXCEPTION(store::Error, none.end_document());
  }

 private:
  platform::FixedClock m_clock{platform::DateTime{Date::from_ymd(2024, 3, 15), 10, 0}};
  platform::LoggingHelp m_help;
  std::unique_ptr<test::DemoAccount> m_demo;
};

QTEST_MAIN(ReportDialogTest)
#include "report_dialog_test.moc"
