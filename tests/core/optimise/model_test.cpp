#include "core/optimise/model.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/install/installation.h"
#include "core/platform/scripted_dialogs.h"
#include "core/store/error.h"
#include "support/temp_dir.h"

namespace vmx::optimise {
namespace {

namespace fs = std::filesystem;

void write_text(const fs::path& p, const std::string& text) {
  std::ofstream(p, std::ios::binary) << text;
}

std::string joined(const std::vector<std::string>& lines, const char* end = "\n") {
  std::string s;
  for (const auto& l : lines) s += l + end;
  return s;
}

Parameters sample() {
  Parameters p;
  p.initial = {100, 95, 110, 100};
  p.expected = {103, 120, 130, 90};
  p.deviation = {0, 30, 10, 5};
  p.cost = {"0", "0.25", "5", "0"};
  p.margin = {"100", "10", "1", "50"};
  p.b12 = "-0.5";
  p.b23 = "0.5";
  p.b13 = "-1";
  return p;
}

TEST(ModelFile, RoundTripAndLayout) {
  test::TempDir dir;
  const Parameters p = sample();
  write_prd(dir / "a.prd", p);
  EXPECT_EQ(read_prd(dir / "a.prd"), p);

  const std::vector<std::string> expected = {"100", "95", "110", "100", "103",  "120",  "130", "90",
                                             "0",   "30", "10",  "5",   "0",    "0.25", "5",   "0",
                                             "100", "10", "1",   "50",  "-0.5", "0.5",  "-1"};
  EXPECT_EQ(prd_lines(p), expected);
  std::ifstream in(dir / "a.prd", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, joined(expected, "\r\n"));

  // Plain line ends, spaces and lines after the 23rd are accepted too.
  auto lines = expected;
  lines[5] = " 120 ";
  lines.push_back("whatever follows");
  write_text(dir / "b.prd", joined(lines));
  EXPECT_EQ(read_prd(dir / "b.prd"), p);
}

TEST(ModelFile, BadFilesChangeNothing) {
  test::TempDir dir;
  const auto good = prd_lines(sample());
  struct Case {
    const char* what;
    int line;  // replaced; −1: the file keeps only its first 22 lines
    const char* value;
    const char* message_part;
  };
  const Case cases[] = {
      {"short", -1, "", "只有 22 行"},
      {"not a number", 5, "12O", "第 6 行"},
      {"empty number", 9, "", "第 10 行"},
      {"negative", 1, "-5", "第 2 行"},
      {"cost no choice", 14, "4", "第 15 行"},
      {"margin no choice", 18, "20", "第 19 行"},
      {"correlation no choice", 20, "0.3", "第 21 行"},
      {"deviation not below expected", 10, "130", "第 11 行"},
      {"b13 outside its range", 22, "1", "第 23 行"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto lines = good;
    if (c.line < 0)
      lines.pop_back();
    else
      lines[c.line] = c.value;
    write_text(dir / "bad.prd", joined(lines));
    State s;
    read_controls(s);
    const State before = s;
    try {
      load_prd(s, dir / "bad.prd");
      ADD_FAILURE() << "loaded";
    } catch (const store::Error& e) {
      const std::string m = e.what();
      EXPECT_NE(m.find("bad.prd"), std::string::npos) << m;
      EXPECT_NE(m.find(c.message_part), std::string::npos) << m;
      EXPECT_NE(m.find("参数未改变"), std::string::npos) << m;
    }
    EXPECT_EQ(s.controls, before.controls);
    EXPECT_EQ(s.model.expected, before.model.expected);
    EXPECT_EQ(s.model.deviation, before.model.deviation);
  }
  State s;
  EXPECT_THROW(load_prd(s, dir / "missing.prd"), store::Error);
}

TEST(ModelFile, LoadingTakesPricesAtOnceAndTheRestAtTheNextRead) {
  test::TempDir dir;
  write_prd(dir / "m.prd", sample());
  State s;
  read_controls(s);
  load_prd(s, dir / "m.prd");
  EXPECT_EQ(s.controls, sample());
  EXPECT_DOUBLE_EQ(s.model.expected[1], 1.2);
  EXPECT_DOUBLE_EQ(s.model.initial[1], 0.95);
  EXPECT_DOUBLE_EQ(s.model.deviation[2], 0.1);
  EXPECT_DOUBLE_EQ(s.model.deviation[1], 0.2);  // d1 waits for the next read
  EXPECT_DOUBLE_EQ(s.model.leverage[1], 1);     // margins too
  EXPECT_EQ(s.model.correlations, (Correlations{5, 5, 5}));
  read_controls(s);
  EXPECT_DOUBLE_EQ(s.model.deviation[1], 0.3);
  EXPECT_DOUBLE_EQ(s.model.leverage[1], 10);
  EXPECT_DOUBLE_EQ(s.model.cost[1], 0.0025);
  EXPECT_EQ(s.model.correlations, (Correlations{-5, 5, -10}));
}

TEST(ModelFile, NewInstallationsCarryTheDefaults) {
  test::TempDir dir;
  store::init_installation(dir / "inst", false, Date::from_ymd(2024, 3, 1));
  EXPECT_EQ(read_prd(dir / "inst" / kDefaultPrd), Parameters{});
}

TEST(Editing, DeviationMustStayBelowTheExpectedPrice) {
  State s;
  read_controls(s);
  platform::ScriptedDialogs dialogs;
  struct Step {
    int group, value;
    bool accepted;
    int box;       // the box afterwards
    double model;  // the model's deviation afterwards
  };
  const Step steps[] = {
      {2, 116, true, 116, 1.16}, {2, 117, false, 116, 1.16},  // e2 = 117
      {1, 50, true, 50, 0.2},                                 // d1 waits for the next search
      {1, 115, false, 20, 0.2},                               // back to the value read at creation
      {3, 200, false, 58, 0.58},
  };
  for (const Step& st : steps) {
    SCOPED_TRACE(testing::Message() << st.group << "=" << st.value);
    dialogs.clear();
    EXPECT_EQ(change_deviation(s, st.group, st.value, dialogs), st.accepted);
    EXPECT_EQ(s.controls.deviation[st.group], st.box);
    EXPECT_NEAR(s.model.deviation[st.group], st.model, 1e-12);
    EXPECT_EQ(dialogs.texts(), st.accepted ? std::vector<std::string>{}
                                           : std::vector<std::string>{kDeviationMessage});
  }
  change_expected(s, 1, 95);
  change_initial(s, 1, 90);
  EXPECT_DOUBLE_EQ(s.model.expected[1], 0.95);
  EXPECT_DOUBLE_EQ(s.model.initial[1], 0.9);
  EXPECT_EQ(outcome_label(s, 1), "75/95/115");
  EXPECT_EQ(outcome_label(s, 0), "100/100/100");
  EXPECT_EQ(outcome_label(s, 2), "1/117/233");
}

TEST(Normalise, RatiosRoundedToThousandthsAndShownTruncated) {
  struct Case {
    std::array<double, 4> amounts;
    Proportions ratio;
  };
  const Case cases[] = {
      {{0, 0, 400, 600}, {0, 0, 0.4, 0.6}},   {{1, 1, 1, 0}, {0.333, 0.333, 0.333, 0}},
      {{-1, 1, 2, 0}, {-0.25, 0.25, 0.5, 0}}, {{1, 2, 3, 994000}, {0, 0, 0, 1}},
      {{3, 0, 0, 5}, {0.375, 0, 0, 0.625}},
  };
  for (const Case& c : cases) {
    const auto r = inp_ratio(c.amounts);
    ASSERT_TRUE(r);
    for (int g = 0; g < 4; ++g) EXPECT_NEAR((*r)[g], c.ratio[g], 1e-12) << g;
  }
  EXPECT_FALSE(inp_ratio({0, 0, 0, 0}));

  State s;
  platform::ScriptedDialogs dialogs;
  s.rows[1] = {1, 2, 3, 2};
  EXPECT_TRUE(normalise_row(s, 1, dialogs));
  EXPECT_EQ(s.rows[1], (std::array<int, 4>{125, 250, 375, 250}));
  s.rows[2] = {0, 0, 0, 0};
  const auto before = s.proportions[2];
  EXPECT_FALSE(normalise_row(s, 2, dialogs));
  EXPECT_EQ(dialogs.texts(), std::vector<std::string>{kNothingToNormalise});
  EXPECT_EQ(s.proportions[2], before);
}

}  // namespace
}  // namespace vmx::optimise
