#include "ui/table_model.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include "support/temp_dir.h"

using namespace vmx;
using namespace vmx::store;

// The grid model must follow changes made through any cursor on the same
// file, stay quiet while a loop has the controls disabled, and survive the
// cursor being closed by an alias re-binding.
class TableModelTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    m_dir = std::make_unique<test::TempDir>();
    Schema s;
    s.fields = {{"CODE", FieldType::Character, 6, 0}, {"NAME", FieldType::Character, 8, 0},
                {"PRICE", FieldType::Numeric, 10, 3}};
    auto f = create_table_file(*m_dir / "allstocks.DBF", s);
    std::vector<uint8_t> buf(f->record_size());
    const char* rows[][2] = {{"600001", "邯郸钢铁"}, {"000001", "深发展"}, {"9996", "深证指数"}};
    for (auto& r : rows) {
      f->blank_record(buf.data());
      f->set(buf.data(), 0, Value::text(r[0]));
      f->set(buf.data(), 1, Value::text(r[1]));
      f->set(buf.data(), 2, Value::number(12.5));
      f->insert(buf.data());
    }
    m_session = std::make_unique<Session>();
    m_session->set_alias("ubx", m_dir->path());
  }
  void cleanup() {
    m_session.reset();
    m_dir.reset();
  }

  void follows_every_cursor() {
    Cursor grid(*m_session, "ubx", "allstocks.dbf");
    grid.open();
    ui::TableModel model(grid);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.set_columns({{"CODE", QStringLiteral("代码")}, {"NAME", QStringLiteral("名称")}});
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.columnCount(), 2);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("名称"));
    QCOMPARE(model.data(model.index(0, 1)).toString(), QStringLiteral("邯郸钢铁"));

    Cursor other(*m_session, "ubx", "ALLSTOCKS.DBF");
    other.open();
    other.append();
    other.set_string("CODE", "999999");
    other.set_string("NAME", "上证指数");
    other.post();
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(model.data(model.index(3, 1)).toString(), QStringLiteral("上证指数"));

    grid.set_index_fields("CODE");
    QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("000001"));

    QSignalSpy moved(&model, &ui::TableModel::current_row_changed);
    grid.last();
    QCOMPARE(moved.count(), 1);
    QCOMPARE(model.current_row(), 3);

    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    grid.disable_controls();
    for (int i = 0; i < 3; ++i) {
      other.first();
      other.set_double("PRICE", i);
      other.post();
    }
    QCOMPARE(resets.count(), 0);
    grid.enable_controls();
    QCOMPARE(resets.count(), 1);

    m_session->set_alias("ubx", m_dir->path());  // closes every cursor of the alias
    QVERIFY(!grid.active());
    QCOMPARE(model.rowCount(), 0);
    grid.open();
    QCOMPARE(model.rowCount(), 4);
  }

 private:
  std::unique_ptr<test::TempDir> m_dir;
  std::unique_ptr<Session> m_session;
};

QTEST_MAIN(TableModelTest)
#include "table_model_test.moc"
