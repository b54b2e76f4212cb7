#pragma once

// The optimiser's model: what the boxes of the optimiser window hold, the
// working values read from them, the player rows, the computer's optimal
// proportions and the current holdings by group. One instance lives for the
// program's life (program_state()); the optimiser window and every game window
// read and change that one.

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/dialogs.h"

namespace vmx::optimise {

// Group 0 is cash; groups 1..3 are the risky groups.
inline constexpr int kGroups = 4;
inline constexpr int kPlayers = 3;
using Proportions = std::array<double, kGroups>;

// The choices of the combo boxes, in list order.
inline constexpr std::array<const char*, 9> kCostChoices = {"0", "0.1", "0.25", "0.5", "0.75",
                                                            "1", "2",   "3",    "5"};
inline constexpr std::array<const char*, 7> kMarginChoices = {"100", "50", "10", "5",
                                                              "3",   "2",  "1"};
inline constexpr std::array<const char*, 5> kCorrelationChoices = {"-1", "-0.5", "0", "0.5", "1"};
inline constexpr std::array<const char*, 3> kPlayerChoices = {"1个玩家", "2个玩家", "3个玩家"};
// The search stops refining once its half-width is no longer above this.
inline constexpr double kSearchWidth = 0.001;
// Shown when a deviation is changed to a value not below the expected price.
inline constexpr const char* kDeviationMessage = "上下偏差不得超过未来期望!";
// "归一化" of a row whose four values are all zero.
inline constexpr const char* kNothingToNormalise = "四个数都是0，不能归一化。";
// The outcome probabilities as the window shows them.
inline constexpr const char* kRiskyProbabilities = "0.25/0.5/0.25";
inline constexpr const char* kCashProbabilities = "0/1/0";

// The three correlations in tenths (-10, -5, 0, 5, 10): b12, b23, b13.
struct Correlations {
  int b12 = 5, b23 = 5, b13 = 5;
  bool operator==(const Correlations&) const = default;
};

// What the parameter boxes hold: whole percentages and combo-box texts, indexed
// by group 0..3. Group 0's initial price (100), deviation (0), cost ("0") and
// margin ("100") are fixed; the fields exist so the indices match the groups.
// This is also exactly what a ".prd" file holds.
struct Parameters {
  std::array<int, kGroups> initial{100, 100, 100, 100};
  std::array<int, kGroups> expected{100, 115, 117, 116};
  std::array<int, kGroups> deviation{0, 20, 57, 58};
  std::array<std::string, kGroups> cost{"0", "0", "0", "0"};
  std::array<std::string, kGroups> margin{"100", "100", "100", "100"};
  std::string b12 = "0.5", b23 = "0.5", b13 = "0.5";
  bool operator==(const Parameters&) const = default;
};

// The working values the search and the game compute with, as fractions:
// prices and deviations × 0.01, costs × 0.01, leverage = 100 / margin.
struct Model {
  Proportions initial{1, 1, 1, 1};
  Proportions expected{1, 1.15, 1.17, 1.16};
  Proportions deviation{0, 0.2, 0.57, 0.58};
  Proportions cost{0, 0, 0, 0};
  Proportions leverage{1, 1, 1, 1};
  Correlations correlations;
};

// Probability of the outcome levels (a, b, c) of groups 1, 2, 3, each -1 (low),
// 0 (middle) or +1 (high): table[a + 1][b + 1][c + 1]. Cells are multiples of 1/64.
using JointTable = std::array<std::array<std::array<double, 3>, 3>, 3>;

// The whole state of the optimiser and its games.
struct State {
  Parameters controls;  // the parameter boxes
  // The player rows' boxes, per mille (row 0 = player 1 = the current holdings).
  std::array<std::array<int, kGroups>, kPlayers> rows{
      {{0, 0, 400, 600}, {250, 250, 250, 250}, {0, 334, 333, 333}}};
  int player_count = 3;  // 1..3

  Model model;         // the values in force (see read_controls)
  JointTable table{};  // built by read_correlations
  // Each row's proportions (fractions, signed), as the last "归一化" left them.
  std::array<Proportions, kPlayers> proportions{
      {{0, 0, 0.4, 0.6}, {0.25, 0.25, 0.25, 0.25}, {0, 0.334, 0.333, 0.333}}};
  // The current proportions of the last search: row 0 with cash = 1 − the risky ones.
  Proportions current{0, 0, 0.4, 0.6};
  // The computer's optimal proportions y and the expected growth in bits.
  Proportions optimal{0, 0, 0, 0};
  double growth_bits = -100;

  // The current holdings by group (putlx): total amount T (single precision,
  // as it was kept) and the labels "<first name>等" (empty for an empty group).
  double total = 0;
  std::array<std::string, kGroups> labels;
};

// The program's one state, created with its defaults on first use.
State& program_state();

// ---- conversions of the boxes' texts ----

// "-1", "-0.5", "0", "0.5", "1" (spaces around allowed) → tenths. Throws
// store::Error naming the text when it is none of these.
int correlation_tenths(std::string_view text);
// Tenths → the combo text ("-0.5"); throws store::Error for other than -10, -5, 0, 5, 10.
std::string correlation_text(int tenths);
// A cost choice → fraction ("0.25" → 0.0025); throws store::Error when not a choice.
double cost_fraction(std::string_view text);
// A margin choice → leverage ("10" → 10); throws store::Error when not a choice.
double leverage_of(std::string_view margin);

// The admissible values of b13 for given b12 and b23 (tenths), lowest first:
// from |b12 + b23| − 1 up to 1 − |b12 − b23| in steps of 0.5. The window fills
// ComboBox_b13 with these (as correlation_text) and selects the first.
std::vector<int> b13_range(int b12, int b23);

// ---- reading the boxes into the model ----

// calcp123's inputs: the three correlation boxes into model.correlations, and
// the joint table rebuilt from them. Throws store::Error for a text that is no
// choice (nothing changes then).
void read_correlations(State& s);
// Every parameter box into the model (what the search does first), correlations
// and table included. Throws store::Error for a combo text that is no choice
// (nothing changes then).
void read_controls(State& s);
// The twelve player boxes as proportions (× 0.001), without normalising.
void read_rows(State& s);

// ---- editing (the boxes' change handlers) ----

// Expected price (groups 0..3) or initial price (groups 1..3) changed: stored in
// the box and in the model at once.
void change_expected(State& s, int group, int percent);
void change_initial(State& s, int group, int percent);
// Deviation of group 1..3 changed. A value not below the group's expected price
// shows kDeviationMessage through `dialogs`, puts the model's deviation back into
// the box and returns false. A valid d2 or d3 goes into the model at once; a
// valid d1 only into the box (the model takes it at the next read_controls).
bool change_deviation(State& s, int group, int percent, platform::Dialogs& dialogs);

// The group's outcomes as the label beside it shows them, from the boxes:
// "95/115/135" for a risky group, "100/100/100" (e0 three times) for group 0.
std::string outcome_label(const State& s, int group);

// ---- normalising ----

// inp_ratio: each value divided by the sum of the absolute values, rounded to
// thousandths (round(v / S × 1000) × 0.001, halves to even). nullopt when the
// sum is 0.
std::optional<Proportions> inp_ratio(const std::array<double, kGroups>& amounts);
// "归一化" of row 0..2: the row's boxes taken as amounts; the row's proportions
// become inp_ratio of them and the boxes show them truncated to per mille.
// All four zero: kNothingToNormalise through `dialogs`, nothing changes, false.
bool normalise_row(State& s, int row, platform::Dialogs& dialogs);
// The same with given amounts (putlx hands money amounts, not box values).
bool normalise_amounts(State& s, int row, const std::array<double, kGroups>& amounts,
                       platform::Dialogs& dialogs);

// ---- model files (".prd") ----

inline constexpr int kPrdLines = 23;
inline constexpr const char* kPrdFilter = "prd|*.prd";
inline constexpr const char* kPrdExtension = "prd";
inline constexpr const char* kDefaultPrd = "default.prd";

// The 23 lines of a model file, as written (without line ends).
std::vector<std::string> prd_lines(const Parameters& p);
// Reads and checks a whole model file before anything is taken: it must have
// at least 23 lines; integer lines must be whole numbers from 0 to 100000;
// cost, margin and correlation lines must be choices of their boxes; each
// deviation of groups 1..3 must be below its expected price; b13 must be
// admissible for b12 and b23. Lines 0, 8, 12, 16 are not read (the fixed
// group-0 values are kept). Throws store::Error naming the file, the line
// (counted from 1) and the problem; a missing or unreadable file likewise.
Parameters read_prd(const std::filesystem::path& file);
// Writes the 23 lines (CR LF line ends). Throws store::Error naming the file
// when it cannot be written.
void write_prd(const std::filesystem::path& file, const Parameters& p);
// loadcs: read_prd, then every value into its box. The expected and initial
// prices and the deviations of groups 2 and 3 go into the model at once, as
// their change handlers take them; d1, costs, margins and correlations wait for
// the next read_controls. On any error nothing changes and the Error is passed on.
void load_prd(State& s, const std::filesystem::path& file);

}  // namespace vmx::optimise
