// Finding the installation at start: the working directory, the one used last,
// or one the user names or has laid out.
#include "core/install/start_place.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/install/installation.h"
#include "core/platform/scripted_dialogs.h"
#include "support/temp_dir.h"

using namespace vmx;
namespace fs = std::filesystem;
using Kind = platform::ScriptedDialogs::Kind;

namespace {

const Date kToday = *Date::parse("2024-03-15");

struct Start {
  test::TempDir tmp;
  fs::path home = tmp / "home", elsewhere = tmp / "home" / "books", other = tmp / "old";
  Start() {
    fs::create_directories(home / "notes");
    std::ofstream(home / "notes" / "a.txt") << "x";
    store::init_installation(elsewhere, false, kToday);
  }
  store::StartPlaces places(const fs::path& current, const fs::path& remembered = {}) {
    return {current, remembered, home};
  }
};

TEST(StartPlace, TakesTheWorkingDirectoryOrTheOneUsedLastWithoutAsking) {
  Start s;
  store::init_installation(s.other, false, kToday);
  platform::ScriptedDialogs d;
  EXPECT_EQ(store::choose_installation(s.places(s.other, s.elsewhere), d, kToday), s.other);
  EXPECT_EQ(store::choose_installation(s.places(s.home, s.elsewhere), d, kToday), s.elsewhere);
  EXPECT_TRUE(d.shown().empty());
}

// What the user types, and where the program ends up; a gone remembered
// directory counts as none.
TEST(StartPlace, AsksForADirectoryAndLaysOutANewOne) {
  struct Case {
    const char* name;
    std::vector<std::string> answers;  // "=text" typed, "yes"/"no", "cancel"
    std::string chosen;                // under home; "" for none
    std::vector<Kind> shown;
  };
  const Case cases[] = {
      {"cancelled", {"cancel"}, "", {Kind::Input}},
      {"an existing installation", {"=~/books"}, "books", {Kind::Input}},
      {"the suggestion taken",
       {"yes", "yes", "no"},
       "valmorix",
       {Kind::Input, Kind::Ask, Kind::Ask, Kind::Inform}},
      {"a relative name, with demo data",
       {"= new ", "yes", "yes"},
       "new",
       {Kind::Input, Kind::Ask, Kind::Ask, Kind::Inform}},
      {"a directory with files refused",
       {"=notes", "cancel"},
       "",
       {Kind::Input, Kind::Warn, Kind::Input}},
      {"not laid out, then cancelled",
       {"yes", "no", "cancel"},
       "",
       {Kind::Input, Kind::Ask, Kind::Input}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Start s;
    platform::ScriptedDialogs d;
    for (const auto& a : c.answers) {
      if (a == "yes")
        d.answer_yes();
      else if (a == "no")
        d.answer_no();
      else if (a == "cancel")
        d.answer_cancel();
      else
        d.answer_input(a.substr(1));
    }
    const auto got = store::choose_installation(s.places(s.home, s.tmp / "gone"), d, kToday);
    EXPECT_EQ(got, c.chosen.empty() ? std::nullopt : std::optional<fs::path>(s.home / c.chosen));
    std::vector<Kind> kinds;
    for (const auto& shown : d.shown()) kinds.push_back(shown.kind);
    EXPECT_EQ(kinds, c.shown);
    EXPECT_EQ(d.unused_answers(), 0u);
    if (got) {
      EXPECT_TRUE(store::is_installation(*got));
    }
    EXPECT_TRUE(fs::exists(s.home / "notes" / "a.txt"));
    EXPECT_FALSE(fs::exists(s.home / "notes" / "z.db"));
  }
}

TEST(StartPlace, DemoDataOnlyWhenAsked) {
  Start s;
  platform::ScriptedDialogs d;
  d.answer_input("plain");
  d.answer_yes();
  d.answer_no();
  d.answer_input("demo");
  d.answer_yes();
  d.answer_yes();
  ASSERT_TRUE(store::choose_installation(s.places(s.home), d, kToday));
  ASSERT_TRUE(store::choose_installation(s.places(s.home), d, kToday));
  EXPECT_LT(fs::file_size(s.home / "plain" / "demo" / "tr2.DBF"),
            fs::file_size(s.home / "demo" / "demo" / "tr2.DBF"));
}

}  // namespace
