#include "gui/widgets/query_model.h"

#include <QAbstractItemModelTester>
#include <QTableView>
#include <QTest>

#include "core/store/table_file.h"
#include "support/temp_dir.h"

using namespace vmx;
using namespace vmx::store;

// The query grid model: resets with every execution, keeps the window's
// titles while the columns stay, and keeps a view's row and the query's row
// together in both directions, so that a detail query follows a click.
class QueryModelTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    m_dir = std::make_unique<test::TempDir>();
    Schema s;
    s.fields = {{"CODE", FieldType::Character, 6, 0}, {"AMT", FieldType::Numeric, 12, 3}};
    auto f = create_table_file(*m_dir / "book.DBF", s);
    std::vector<uint8_t> buf(f->record_size());
    const std::pair<const char*, double> rows[] = {
        {"600000", 100}, {"600000", 0.1}, {"0001", 5}, {"0002", 7}, {"0002", 0.2}};
    for (const auto& [code, amt] : rows) {
      f->blank_record(buf.data());
      f->set(buf.data(), 0, Value::text(code));
      f->set(buf.data(), 1, Value::number(amt));
      f->insert(buf.data());
    }
    m_session = std::make_unique<Session>();
    m_session->set_alias("ubx", m_dir->path());
  }
  void cleanup() {
    m_session.reset();
    m_dir.reset();
  }

  void master_and_detail_through_views() {
    Query upper(*m_session, "ubx");
    upper.set_text("select code, sum(amt) as 数量 from book.dbf group by code order by code");
    Query lower(*m_session, "ubx");
    lower.set_text("select code, amt from book.dbf where code=:code order by amt");
    lower.set_master(&upper);
    ui::QueryModel up(upper), low(lower);
    QAbstractItemModelTester t1(&up, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QAbstractItemModelTester t2(&low, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QTableView up_view, low_view;
    up_view.setModel(&up);
    low_view.setModel(&low);
    ui::follow_current_row(up_view, up);
    ui::follow_current_row(low_view, low);

    upper.open();
    lower.open();
    QCOMPARE(up.rowCount(), 3);
    QCOMPARE(up.headerData(1, Qt::Horizontal).toString(), QStringLiteral("数量"));
    // A sum like 100.1 is shown as people write it, right-aligned.
    QCOMPARE(up.data(up.index(2, 1)).toString(), QStringLiteral("100.1"));
    QCOMPARE(up.data(up.index(2, 1), Qt::TextAlignmentRole).value<Qt::Alignment>() &
                 Qt::AlignHorizontal_Mask,
             Qt::AlignRight);
    QCOMPARE(up_view.currentIndex().row(), 0);
    QCOMPARE(low.rowCount(), 1);  // 0001

    // A click moves the query, and with it the detail.
    up_view.setCurrentIndex(up.index(1, 0));
    QCOMPARE(upper.position(), 1L);
    QCOMPARE(low.rowCount(), 2);
    QCOMPARE(low.data(low.index(0, 1)).toString(), QStringLiteral("0.2"));
    // A move of the query moves the view.
    upper.last();
    QCOMPARE(up_view.currentIndex().row(), 2);
    QCOMPARE(low.data(low.index(1, 0)).toString(), QStringLiteral("600000"));

    // Titles stay through a reopen with the same columns, go with new ones.
    up.set_title(0, QStringLiteral("代码"));
    up.set_alignment(1, Qt::AlignLeft);
    upper.reopen();
    QCOMPARE(up.headerData(0, Qt::Horizontal).toString(), QStringLiteral("代码"));
    QCOMPARE(up.data(up.index(0, 1), Qt::TextAlignmentRole).value<Qt::Alignment>() &
                 Qt::AlignHorizontal_Mask,
             Qt::AlignLeft);
    lower.close();
    upper.set_text("select code as c from book.dbf");
    upper.open();
    QCOMPARE(up.headerData(0, Qt::Horizontal).toString(), QStringLiteral("c"));

    // Re-binding the alias closes the queries: the grids empty, nothing breaks.
    m_session->set_alias("ubx", m_dir->path());
    QCOMPARE(up.rowCount(), 0);
    QCOMPARE(low.rowCount(), 0);
    QCOMPARE(up.columnCount(), 0);
  }

 private:
  std::unique_ptr<test::TempDir> m_dir;
  std::unique_ptr<Session> m_session;
};

QTEST_MAIN(QueryModelTest)
#include "query_model_test.moc"
