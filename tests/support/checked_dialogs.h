#pragma once

#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/platform/scripted_dialogs.h"

namespace vmx::test {

// The scripted dialogs of a window test, checked when the test case is over.
// A question nobody scripted an answer for, an error box the test did not
// announce with expect_errors(), or a scripted answer left unused fails the
// test case, also where a window caught the failure and went on. The check
// runs when the object goes: destroy it in cleanup() (not in the next init()).
class CheckedDialogs : public platform::ScriptedDialogs {
 public:
  CheckedDialogs() = default;
  CheckedDialogs(const CheckedDialogs&) = delete;
  CheckedDialogs& operator=(const CheckedDialogs&) = delete;
  ~CheckedDialogs() override { verify(); }

  // The test case expects `n` (more) error boxes.
  void expect_errors(size_t n = 1) { m_expected_errors += n; }

  // Shown and answered as the scripted dialogs do; counted and noted for the check.
  void error(const std::string& text) override {
    ++m_errors;
    m_error_texts += "\n  " + text;
    ScriptedDialogs::error(text);
  }
  bool ask(const std::string& text) override {
    return noted([&] { return ScriptedDialogs::ask(text); });
  }
  std::optional<std::string> input(const std::string& caption, const std::string& prompt,
                                   const std::string& initial) override {
    return noted([&] { return ScriptedDialogs::input(caption, prompt, initial); });
  }
  std::optional<std::string> pick_file(const std::string& caption, const std::string& directory,
                                       const std::string& filter) override {
    return noted([&] { return ScriptedDialogs::pick_file(caption, directory, filter); });
  }

 private:
  // Fails the running test case on anything left over; a test case that has
  // already failed is not failed twice.
  void verify() {
    std::string problems;
    if (m_errors != m_expected_errors)
      problems += "error boxes: " + std::to_string(m_errors) + " shown, " +
                  std::to_string(m_expected_errors) + " expected" + m_error_texts + "\n";
    for (const std::string& q : m_unexpected) problems += "unexpected question: " + q + "\n";
    if (unused_answers() > 0)
      problems += std::to_string(unused_answers()) + " scripted answer(s) left unused\n";
    if (problems.empty()) return;
    if (!QTest::currentTestFunction()) {
      std::fprintf(stderr, "dialogs checked outside a test case:\n%s", problems.c_str());
      std::abort();
    }
    if (!QTest::currentTestFailed()) QTest::qFail(problems.c_str(), __FILE__, __LINE__);
  }

  template <class F>
  auto noted(F&& f) -> decltype(f()) {
    try {
      return f();
    } catch (const platform::UnexpectedDialog& e) {
      m_unexpected.push_back(e.what());
      std::fprintf(stderr, "unexpected question: %s\n", e.what());
      throw;
    }
  }

  size_t m_errors = 0, m_expected_errors = 0;
  std::string m_error_texts;
  std::vector<std::string> m_unexpected;
};

}  // namespace vmx::test
