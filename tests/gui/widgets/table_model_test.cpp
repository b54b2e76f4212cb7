#include "gui/widgets/table_model.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "core/platform/scripted_dialogs.h"
#include "gui/widgets/db_grid.h"
#include "support/temp_dir.h"

using namespace vmx;
using namespace vmx::store;

namespace {

// A box takes the focus while it is open.
struct FocusTakingDialogs : platform::ScriptedDialogs {
  QWidget* taker = nullptr;
  void warn(const std::string& text) override {
    platform::ScriptedDialogs::warn(text);
    taker->setFocus();
    QApplication::processEvents();
  }
};

}  // namespace

// The grid model must follow changes made through any cursor on the same
// file, stay quiet while a loop has the controls disabled, and survive the
// cursor being closed by an alias re-binding.
class TableModelTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    m_dir = std::make_unique<test::TempDir>();
    Schema s;
    s.fields = {{"CODE", FieldType::Character, 6, 0},
                {"NAME", FieldType::Character, 8, 0},
                {"PRICE", FieldType::Numeric, 10, 3}};
    auto f = create_table_file(*m_dir / "stocks.DBF", s);
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
    Cursor grid(*m_session, "ubx", "stocks.dbf");
    grid.open();
    ui::TableModel model(grid);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.set_columns({{"CODE", QStringLiteral("代码")}, {"NAME", QStringLiteral("名称")}});
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.columnCount(), 2);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("名称"));
    QCOMPARE(model.data(model.index(0, 1)).toString(), QStringLiteral("邯郸钢铁"));

    Cursor other(*m_session, "ubx", "STOCKS.DBF");
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

  // Edits go into the cursor's buffer and reach the table only when posted;
  // a text that does not convert is refused with a reason; a new row shows
  // at the bottom until posted; read-only models refuse edits.
  // Numbers read as a bookkeeper reads them, at the right edge; the editor
  // opens on the stored value; logical cells say 是/否.
  void shows_numbers_rounded_and_edits_them_whole() {
    Schema s;
    s.fields = {{"COST2", FieldType::Numeric, 20, 7},
                {"PRICE2", FieldType::Numeric, 15, 4},
                {"AMT", FieldType::Numeric, 19, 4},
                {"NOW", FieldType::Logical, 1, 0}};
    auto f = create_table_file(*m_dir / "shown.DBF", s);
    std::vector<uint8_t> buf(f->record_size());
    f->blank_record(buf.data());
    f->set(buf.data(), 0, Value::number(1530.6400005));
    f->set(buf.data(), 1, Value::number(10.5));
    f->set(buf.data(), 2, Value::number(764332.9399));
    f->set(buf.data(), 3, Value::boolean(true));
    f->insert(buf.data());
    f.reset();
    Cursor c(*m_session, "ubx", "shown.DBF");
    c.open();
    ui::TableModel model(c);
    const QStringList shown = {"1530.64", "10.5", "764332.94", "是"};
    const QStringList edited = {"1530.6400005", "10.5", "764332.9399", "是"};
    for (int col = 0; col < 4; ++col) {
      QCOMPARE(model.data(model.index(0, col)).toString(), shown[col]);
      QCOMPARE(model.data(model.index(0, col), Qt::EditRole).toString(), edited[col]);
    }
    for (int col = 0; col < 3; ++col)
      QCOMPARE(
          model.data(model.index(0, col), Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask,
          int(Qt::AlignRight));
  }

  // A value that does not convert is reported once, although the box takes
  // the focus from the open editor (which hands its text in again).
  void refused_value_is_reported_once() {
    FocusTakingDialogs dialogs;
    Cursor c(*m_session, "ubx", "stocks.dbf");
    c.open();
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* grid = new ui::DbGrid(c, dialogs, &window);
    auto* other = new QLineEdit(&window);
    layout->addWidget(grid);
    layout->addWidget(other);
    dialogs.taker = other;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 2));
    grid->edit(grid->currentIndex());
    QLineEdit* editor = nullptr;
    for (QLineEdit* e : grid->findChildren<QLineEdit*>())
      if (e->isVisible()) editor = e;
    QVERIFY(editor);
    editor->setFocus();
    editor->setText("abc");
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();  // the editor hands its text in queued
    QCOMPARE(dialogs.texts(), std::vector<std::string>{"“abc”不是有效的数值"});
  }

  void edits_through_the_buffer() {
    Cursor grid(*m_session, "ubx", "stocks.dbf");
    grid.set_index_fields("CODE");
    grid.open();
    Cursor other(*m_session, "ubx", "stocks.dbf");
    other.open();
    ui::TableModel model(grid);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.set_columns({{"CODE", ""}, {"NAME", ""}, {"PRICE", ""}});
    QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsEditable));
    QVERIFY(!model.setData(model.index(0, 1), "x"));
    model.set_editable(true);

    struct Case {
      int column;
      QString typed;
      bool ok;
      QString shown;  // what the cell shows afterwards
    };
    const Case cases[] = {
        {2, "13.25", true, "13.25"}, {2, "12,5", false, "13.25"}, {2, "abc", false, "13.25"},
        {2, " 7 ", true, "7"},       {2, "", true, ""},           {1, "新名字", true, "新名字"},
    };
    for (const auto& c : cases) {
      QCOMPARE(model.setData(model.index(0, c.column), c.typed), c.ok);
      QCOMPARE(model.last_error().isEmpty(), c.ok);
      QCOMPARE(model.data(model.index(0, c.column)).toString(), c.shown);
    }
    QVERIFY(other.locate("CODE", {Value::text("000001")}));
    QCOMPARE(QString::fromStdString(other.get_string("NAME")), QStringLiteral("深发展"));
    QVERIFY(model.pending());
    // Editing another row posts the first.
    QVERIFY(model.setData(model.index(1, 2), "1"));
    QVERIFY(other.locate("CODE", {Value::text("000001")}));
    QCOMPARE(QString::fromStdString(other.get_string("NAME")), QStringLiteral("新名字"));
    model.cancel();
    QCOMPARE(model.data(model.index(1, 2)).toString(), QStringLiteral("12.5"));
    // An unchanged text leaves the cursor where the program put it.
    grid.last();
    const long at = grid.position();
    QVERIFY(model.setData(model.index(0, 1), model.data(model.index(0, 1))));
    QCOMPARE(grid.position(), at);
    QVERIFY(!model.pending());

    QVERIFY(model.append_row());
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(model.insert_row(), 3);
    QVERIFY(model.setData(model.index(3, 0), "000002"));
    QVERIFY(model.post());
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(model.data(model.index(1, 0)).toString(), QStringLiteral("000002"));
    QVERIFY(model.remove_row(1));
    QCOMPARE(model.rowCount(), 3);
    QVERIFY(model.append_row());
    QVERIFY(model.remove_row(3));  // an unposted new row is just dropped
    QCOMPARE(model.rowCount(), 3);
  }

 private:
  std::unique_ptr<test::TempDir> m_dir;
  std::unique_ptr<Session> m_session;
};

QTEST_MAIN(TableModelTest)
#include "table_model_test.moc"
