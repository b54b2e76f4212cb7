#include <gtest/gtest.h>

#include "core/platform/error_boundary.h"
#include "core/platform/scripted_dialogs.h"
#include "core/store/error.h"

using namespace vmx::platform;

TEST(ScriptedDialogs, RecordsTextsAndAnswersInOrder) {
  ScriptedDialogs d;
  d.answer_yes();
  d.answer_input("12.5");
  d.answer_no();
  d.inform("成功");
  EXPECT_TRUE(d.ask("确认吗?"));
  EXPECT_EQ(d.input("价格", "请输入价格", "0"), "12.5");
  EXPECT_FALSE(d.ask("再来?"));
  d.acknowledge_at("委托成功", 300, 200);
  EXPECT_EQ(d.texts(),
            (std::vector<std::string>{"成功", "确认吗?", "价格: 请输入价格", "再来?", "委托成功"}));
  EXPECT_EQ(d.shown().back(),
            (ScriptedDialogs::Shown{ScriptedDialogs::Kind::Acknowledge, "委托成功", 300, 200}));
  // A question nobody scripted fails loudly instead of guessing.
  EXPECT_THROW(d.ask("没人预料的问题"), UnexpectedDialog);
  d.set_default_answer(false);
  EXPECT_FALSE(d.ask("默认"));
}

TEST(ErrorBoundary, StopsTheOperationAndShowsTheError) {
  ScriptedDialogs d;
  int steps = 0;
  EXPECT_FALSE(run_guarded(d, [&] {
    ++steps;
    throw vmx::store::ConversionError(vmx::store::ErrorKind::BadNumber,
                                      vmx::store::ErrorDetails::of({}, {}, "abc"),
                                      "'abc' is not a valid floating point value");
  }));
  EXPECT_EQ(steps, 1);
  EXPECT_EQ(d.shown().back().kind, ScriptedDialogs::Kind::Error);
  // The user reads the Chinese text; what() stays the technical one.
  EXPECT_EQ(d.shown().back().text, "“abc”不是有效的数值");
  EXPECT_TRUE(run_guarded(d, [] {}));
  EXPECT_FALSE(run_ignoring_exceptions(d, [] { throw vmx::store::Error("key violation"); }));
  EXPECT_EQ(d.shown().back(), (ScriptedDialogs::Shown{ScriptedDialogs::Kind::Inform,
                                                      "Ignoring exception: key violation"}));
  // A question the script did not foresee fails the test, not the operation.
  const size_t shown = d.shown().size();
  ScriptedDialogs strict;
  EXPECT_THROW(run_guarded(d, [&] { strict.ask("?"); }), UnexpectedDialog);
  EXPECT_THROW(run_ignoring_exceptions(d, [&] { strict.ask("?"); }), UnexpectedDialog);
  EXPECT_EQ(d.shown().size(), shown);
}
