#include "gui/optimise/optimiser_window.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <fstream>

#include "core/install/installation.h"
#include "core/login/workspace.h"
#include "core/optimise/grouping.h"
#include "core/optimise/optimiser.h"
#include "core/platform/clock.h"
#include "core/platform/scripted_dialogs.h"
#include "gui/app/main_window.h"
#include "gui/optimise/game_window.h"
#include "gui/optimise/grouping_window.h"
#include "gui/widgets/db_grid.h"
#include "support/checked_dialogs.h"
#include "support/demo_account.h"
#include "support/temp_dir.h"

using namespace vmx;
using optimise::TForm_yh1;
using Kind = platform::ScriptedDialogs::Kind;
namespace fs = std::filesystem;

namespace {

template <class T>
T* child(QWidget* w, const QString& name) {
  T* c = w->findChild<T*>(name);
  if (!c) qWarning("no control %s", qPrintable(name));
  return c;
}

std::vector<std::string> lines_of(const fs::path& file) {
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    lines.push_back(l);
  }
  return lines;
}

void write_lines(const fs::path& file, const std::vector<std::string>& lines) {
  std::ofstream out(file, std::ios::binary);
  for (const std::string& l : lines) out << l << "\r\n";
}

}  // namespace

// The optimiser window over the demo account: its boxes and their defaults,
// the editing rules, the search's boxes, the model files, the grouping window
// and the main window's button.
class OptimiserWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    optimise::program_state() = optimise::State{};
    m_demo = std::make_unique<test::DemoAccount>(m_clock, m_help);
    fs::remove(m_demo->dir / optimise::kDefaultPrd);
  }
  void cleanup() {
    delete m_form.data();
    m_demo.reset();
  }

  // Every box starts at its default; the labels show the outcomes and the
  // probabilities; each "说明" shows its own text.
  void defaults_and_notes() {
    open();
    QVERIFY(m_demo->dialogs.texts().empty());  // no default.prd: nothing said
    QCOMPARE(m_form->windowTitle(), QStringLiteral("投资组合优化和模拟"));
    const int e[] = {100, 115, 117, 116}, d[] = {0, 20, 57, 58};
    const QString outcomes[] = {"100/100/100", "95/115/135", "60/117/174", "58/116/174"};
    for (int g = 0; g < 4; ++g) {
      const QString n = QString::number(g);
      QCOMPARE(spin("SpinEdit_e" + n)->value(), e[g]);
      QCOMPARE(child<QLabel>(m_form, "Label_price" + n)->text(), outcomes[g]);
      if (g == 0) continue;
      QCOMPARE(spin("SpinEdit_ini" + n)->value(), 100);
      QCOMPARE(spin("SpinEdit_d" + n)->value(), d[g]);
      QCOMPARE(combo("ComboBox_jc" + n)->currentText(), QStringLiteral("0"));
      QCOMPARE(combo("ComboBox_jc" + n)->count(), 9);
      QCOMPARE(combo("ComboBox_bzj" + n)->currentText(), QStringLiteral("100"));
      QCOMPARE(combo("ComboBox_bzj" + n)->count(), 7);
    }
    for (const char* b : {"ComboBox_b12", "ComboBox_b23", "ComboBox_b13"})
      QCOMPARE(combo(b)->currentText(), QStringLiteral("0.5"));
    QCOMPARE(combo("ComboBox4")->currentText(), QStringLiteral("3个玩家"));
    const int rows[3][4] = {{0, 0, 400, 600}, {250, 250, 250, 250}, {0, 334, 333, 333}};
    for (int r = 1; r < 3; ++r)
      for (int g = 0; g < 4; ++g)
        QCOMPARE(spin(QStringLiteral("SpinEdit%1").arg(r * 4 + g + 1))->value(), rows[r][g]);
    QCOMPARE(child<QPushButton>(m_form, "Button1")->toolTip(),
             QStringLiteral("除以四个数之和，使四个比例之和为1"));

    const std::pair<const char*, const char*> notes[] = {
        {"Button5", optimise::kCorrelationNote}, {"Button6", optimise::kPlayersNote},
        {"Button7", optimise::kGroupsNote},      {"Button8", optimise::kCostNote},
        {"Button9", optimise::kPricesNote},      {"Button10", optimise::kMarginNote}};
    for (const auto& [name, text] : notes) {
      m_demo->dialogs.clear();
      child<QPushButton>(m_form, name)->click();
      QCOMPARE(m_demo->dialogs.texts(), std::vector<std::string>{text});
    }
    m_form->button("帮助")->click();
    QCOMPARE(m_help.keywords, std::vector<std::string>{"yhmn"});
  }

  // putlx: row 1 holds the holdings by group as the search's core reads
  // them, normalised, and the groups are labelled by their first names.
  void holdings_by_group_in_row_one() {
    open();
    const auto h = optimise::holdings_by_group(m_demo->session);
    const auto ratio = optimise::inp_ratio(h.amounts);
    QVERIFY(ratio.has_value());
    for (int g = 0; g < 4; ++g) {
      QCOMPARE(spin(QStringLiteral("SpinEdit%1").arg(g + 1))->value(),
               static_cast<int>(std::trunc((*ratio)[g] * 1000)));
    }
    bool labelled = false;
    for (QLabel* l : m_form->findChildren<QLabel*>())
      for (int g = 0; g < 4; ++g)
        if (!h.first[g].empty() && l->text() == QString::fromStdString(h.first[g] + "等"))
          labelled = true;
    QVERIFY(labelled);
  }

  // A deviation not below its expected price is refused with the message and
  // the model's value put back; d2 is taken at once, d1 only by the search.
  void deviation_validation() {
    open();
    auto& s = m_form->state();
    spin("SpinEdit_d2")->setValue(40);
    QCOMPARE(s.model.deviation[2], 0.40);
    QCOMPARE(child<QLabel>(m_form, "Label_price2")->text(), QStringLiteral("77/117/157"));
    spin("SpinEdit_d2")->setValue(117);
    QCOMPARE(m_demo->dialogs.texts(), std::vector<std::string>{optimise::kDeviationMessage});
    QCOMPARE(spin("SpinEdit_d2")->value(), 40);

    m_demo->dialogs.clear();
    spin("SpinEdit_d1")->setValue(30);
    QCOMPARE(s.model.deviation[1], 0.20);  // waits for the next search
    spin("SpinEdit_d1")->setValue(200);
    QCOMPARE(m_demo->dialogs.texts(), std::vector<std::string>{optimise::kDeviationMessage});
    QCOMPARE(spin("SpinEdit_d1")->value(), 20);  // the value read at creation

    // Expected and initial prices go into the model at once.
    spin("SpinEdit_e3")->setValue(130);
    spin("SpinEdit_ini3")->setValue(90);
    QCOMPARE(s.model.expected[3], 1.30);
    QCOMPARE(s.model.initial[3], 0.90);
    QCOMPARE(child<QLabel>(m_form, "Label_price3")->text(), QStringLiteral("72/130/188"));
  }

  // Changing b12 or b23 refills b13 with its admissible values and selects
  // the lowest; the search disables b13 until the next such change.
  void correlation_range() {
    open();
    struct Case {
      const char *b12, *b23;
      QStringList offered;
    } cases[] = {{"0", "0", {"-1", "-0.5", "0", "0.5", "1"}},
                 {"0.5", "0.5", {"0", "0.5", "1"}},
                 {"1", "-0.5", {"-0.5"}},
                 {"-1", "1", {"-1"}}};
    for (const Case& c : cases) {
      combo("ComboBox_b12")->setCurrentText(c.b12);
      combo("ComboBox_b23")->setCurrentText(c.b23);
      QComboBox* b13 = combo("ComboBox_b13");
      QStringList offered;
      for (int i = 0; i < b13->count(); ++i) offered << b13->itemText(i);
      QCOMPARE(offered, c.offered);
      QCOMPARE(b13->currentIndex(), 0);
      QCOMPARE(m_form->state().controls.b13, c.offered.front().toStdString());
    }
    m_form->BitBtn4Click();
    QVERIFY(!combo("ComboBox_b13")->isEnabled());
    combo("ComboBox_b12")->setCurrentText("0");
    QVERIFY(combo("ComboBox_b13")->isEnabled());
  }

  // "电脑优化" shows the search's result truncated to per mille, the change
  // in proportion from the shown boxes and the change in money.
  void computer_optimisation() {
    open();
    combo("ComboBox_jc1")->setCurrentText("0.5");
    m_form->button("电脑优化")->click();
    QVERIFY(m_demo->dialogs.texts().empty());
    const auto& s = m_form->state();
    QCOMPARE(s.model.cost[1], 0.005);  // the combo was read by the search
    const auto y = optimise::optimal_per_mille(s);
    const auto sug = optimise::suggestions(s);
    for (int g = 0; g < 4; ++g) {
      const QString n = QString::number(g);
      QCOMPARE(child<QLineEdit>(m_form, (g ? "Edit_y" : "edit_y") + n)->text().toLongLong(), y[g]);
      QCOMPARE(child<QLineEdit>(m_form, "Edit_z" + n)->text().toLongLong(),
               y[g] - spin(QStringLiteral("SpinEdit%1").arg(g + 1))->value());
      QCOMPARE(child<QLineEdit>(m_form, "Edit_j" + n)->text().toLongLong(), sug.money[g]);
    }
    QVERIFY(s.growth_bits > -100);
  }

  // "归一化": amounts become proportions; a row of zeros is refused with a
  // message and stays. The player choice hides rows 2 and 3.
  void normalise_and_players() {
    open();
    const int amounts[] = {1, -3, 0, 6};
    for (int g = 0; g < 4; ++g) spin(QStringLiteral("SpinEdit%1").arg(g + 5))->setValue(amounts[g]);
    child<QPushButton>(m_form, "Button2")->click();
    const int expected[] = {100, -300, 0, 600};
    for (int g = 0; g < 4; ++g)
      QCOMPARE(spin(QStringLiteral("SpinEdit%1").arg(g + 5))->value(), expected[g]);
    for (int g = 0; g < 4; ++g) spin(QStringLiteral("SpinEdit%1").arg(g + 9))->setValue(0);
    child<QPushButton>(m_form, "Button3")->click();
    QCOMPARE(m_demo->dialogs.texts(), std::vector<std::string>{optimise::kNothingToNormalise});
    QCOMPARE(m_form->state().proportions[2][1], 0.334);

    m_form->show();
    combo("ComboBox4")->setCurrentIndex(0);
    QCOMPARE(m_form->state().player_count, 1);
    QVERIFY(!spin("SpinEdit5")->isVisible() && !spin("SpinEdit12")->isVisible());
    QVERIFY(!child<QPushButton>(m_form, "Button2")->isVisible());
    combo("ComboBox4")->setCurrentIndex(1);
    QVERIFY(spin("SpinEdit8")->isVisible() && !spin("SpinEdit9")->isVisible());
    combo("ComboBox4")->setCurrentIndex(2);
    QVERIFY(spin("SpinEdit12")->isVisible() && child<QPushButton>(m_form, "Button3")->isVisible());
  }

  // Save and load through the file dialogs; a cancelled dialog does nothing;
  // a short file is refused whole with its message.
  void model_files() {
    open();
    spin("SpinEdit_e1")->setValue(125);
    combo("ComboBox_bzj2")->setCurrentText("10");
    combo("ComboBox_b12")->setCurrentText("0");  // b13 becomes 0
    const fs::path saved = m_demo->dir.path() / "mine";
    m_demo->dialogs.answer_input(saved.string());
    m_form->button("参数存盘")->click();
    const auto lines = lines_of(saved.string() + ".prd");  // the default extension
    QCOMPARE(lines.size(), size_t(23));
    QCOMPARE(lines[5], std::string("125"));
    QCOMPARE(lines[18], std::string("10"));
    QCOMPARE(lines[20], std::string("0"));

    m_demo->dialogs.answer_cancel();
    m_form->button("取出参数")->click();
    spin("SpinEdit_e1")->setValue(110);
    combo("ComboBox_bzj2")->setCurrentText("100");
    m_demo->dialogs.clear();
    m_demo->dialogs.answer_input(saved.string() + ".prd");
    m_form->button("取出参数")->click();
    QCOMPARE(m_demo->dialogs.shown().size(), size_t(1));  // the dialog only
    QCOMPARE(spin("SpinEdit_e1")->value(), 125);
    QCOMPARE(combo("ComboBox_bzj2")->currentText(), QStringLiteral("10"));
    QCOMPARE(combo("ComboBox_b12")->currentText(), QStringLiteral("0"));
    QCOMPARE(m_form->state().model.expected[1], 1.25);

    auto short_lines = lines;
    short_lines.resize(15);
    short_lines[5] = "140";
    write_lines(m_demo->dir.path() / "short.prd", short_lines);
    spin("SpinEdit_e1")->setValue(111);
    m_demo->dialogs.clear();
    m_demo->dialogs.answer_input((m_demo->dir.path() / "short.prd").string());
    m_demo->dialogs.expect_errors();
    m_form->button("取出参数")->click();
    QCOMPARE(m_demo->dialogs.shown().size(), size_t(2));
    QCOMPARE(m_demo->dialogs.shown()[1].kind, Kind::Error);
    QVERIFY(m_demo->dialogs.shown()[1].text.find("short.prd") != std::string::npos);
    QCOMPARE(spin("SpinEdit_e1")->value(), 111);
  }

  // default.prd in the program directory is read at creation; a broken one
  // is reported and leaves the defaults.
  void default_model_file() {
    auto lines = optimise::prd_lines(optimise::Parameters{});
    lines[4] = "101";  // e0
    lines[10] = "30";  // d2
    write_lines(m_demo->dir.path() / optimise::kDefaultPrd, lines);
    open();
    QVERIFY(m_demo->dialogs.texts().empty());
    QCOMPARE(spin("SpinEdit_e0")->value(), 101);
    QCOMPARE(spin("SpinEdit_d2")->value(), 30);
    delete m_form.data();

    optimise::program_state() = optimise::State{};
    lines[10] = "abc";
    write_lines(m_demo->dir.path() / optimise::kDefaultPrd, lines);
    m_demo->dialogs.expect_errors();
    open();
    QCOMPARE(m_demo->dialogs.shown().size(), size_t(1));
    QCOMPARE(m_demo->dialogs.shown()[0].kind, Kind::Error);
    QCOMPARE(spin("SpinEdit_e0")->value(), 100);
    QCOMPARE(spin("SpinEdit_d2")->value(), 57);
  }

  // The grouping window: created with the optimiser, groups.db in line with
  // the holdings; rules rebuilt and applied (No changes nothing); closing it
  // re-reads the holdings into row 1.
  void grouping_window() {
    open();
    optimise::TForm_devide* devide = m_form->grouping_window();
    QVERIFY(devide);
    QCOMPARE(devide->windowTitle(), QStringLiteral("为投资组合优化分组"));
    m_form->button("分组操作")->click();
    QVERIFY(devide->isVisible());
    store::Cursor& codes = devide->grouping().codes();
    QVERIFY(codes.count() > 0);
    devide->button("从持仓文件再生")->click();
    store::Cursor& rules = devide->grouping().rules();
    QVERIFY(rules.count() > 0);

    // Every rule to group 1; No leaves the codes alone, Yes applies.
    for (rules.first(); !rules.eof(); rules.next()) {
      rules.edit();
      rules.set("Group", store::Value::integer(1));
      rules.post();
    }
    auto groups = [&] {
      std::vector<int64_t> out;
      for (codes.first(); !codes.eof(); codes.next()) out.push_back(codes.get_int("Group"));
      return out;
    };
    const auto before = groups();
    m_demo->dialogs.answer_no();
    devide->button("分组:由右确定左")->click();
    QCOMPARE(groups(), before);
    m_demo->dialogs.answer_yes();
    devide->button("分组:由右确定左")->click();
    QCOMPARE(m_demo->dialogs.shown().back().text, std::string(optimise::kApplyQuestion));
    QCOMPARE(groups(), std::vector<int64_t>(before.size(), 1));

    devide->button("确定退出")->click();
    QVERIFY(!devide->isVisible());
    // Everything held is group 1 now: row 1 is all in its second box.
    QCOMPARE(spin("SpinEdit2")->value(), 1000);
    QCOMPARE(spin("SpinEdit1")->value() + spin("SpinEdit3")->value() + spin("SpinEdit4")->value(),
             0);
  }

  // "投资模拟" normalises the rows, searches and opens a game window that
  // plays from the same state.
  void simulation_opens_a_game() {
    open();
    m_form->button("投资模拟")->click();
    QPointer<optimise::TForm_yh2> game = m_form->game_window();
    QVERIFY(game && game->isVisible());
    QVERIFY(child<QLineEdit>(m_form, "edit_y0")->text().size() > 0);
    game->turns_box()->setValue(10);
    game->rg1Click(0);
    game->BitBtn1Click();
    game->finish_showing();
    QCOMPARE(game->game()->turns(), 10);
    QCOMPARE(game->ranking()->count() <= 4, true);
    game->close();
    QTRY_VERIFY(!game);  // freed on closing
  }

  // The main window's button opens the optimiser (once) with a hidden game window.
  void main_window_button() {
    app::TForm7 main(*m_demo->ws);
    QPushButton* b = main.button("组合优化模拟");
    QVERIFY(b);
    QCOMPARE(b->toolTip(), QStringLiteral("根据概率预测优化投资组合，可以做风险投资模拟游戏"));
    b->click();
    auto* opt = main.findChild<TForm_yh1*>();
    QVERIFY(opt && opt->isVisible());
    auto* hidden = opt->findChild<optimise::TForm_yh2*>();
    QVERIFY(hidden && !hidden->isVisible());
    b->click();
    QCOMPARE(main.findChildren<TForm_yh1*>().size(), qsizetype(1));
    opt->close();
    QTRY_VERIFY(main.findChildren<TForm_yh1*>().isEmpty());
    // Logging out (the main window closes) takes an open optimiser along.
    main.show();
    b->click();
    QVERIFY(main.findChild<TForm_yh1*>());
    main.close();
    QTRY_VERIFY(main.findChildren<TForm_yh1*>().isEmpty());
  }

 private:
  void open() {
    m_form = new TForm_yh1(*m_demo->ws);
    m_form->setAttribute(Qt::WA_DeleteOnClose, false);
  }
  QSpinBox* spin(const QString& name) { return child<QSpinBox>(m_form, name); }
  QComboBox* combo(const QString& name) { return child<QComboBox>(m_form, name); }

  platform::FixedClock m_clock{{Date::from_ymd(2024, 3, 15), 10, 0, 0, 0}};
  test::RecordingHelp m_help;
  std::unique_ptr<test::DemoAccount> m_demo;
  QPointer<TForm_yh1> m_form;
};

QTEST_MAIN(OptimiserWindowTest)
#include "optimiser_window_test.moc"
