#pragma once

#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/platform/dialogs.h"

namespace vmx::platform {

// A question or input that nobody scripted an answer for: a test failure,
// never a silent default.
class UnexpectedDialog : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

// Dialogs for tests and the command line. Every text shown is recorded in
// order with its kind; questions take their answers from a queue (or from a
// default answer, for the CLI's --answer), and a question with no answer
// throws UnexpectedDialog.
class ScriptedDialogs : public Dialogs {
 public:
  enum class Kind { Inform, Warn, Error, Ask, Acknowledge, Input, PickFile };
  struct Shown {
    Kind kind;
    std::string text;
    int x = 0, y = 0;  // Acknowledge only
    bool operator==(const Shown&) const = default;
  };

  // Answers, used in order.
  void answer_yes() { m_answers.push_back("yes"); }
  void answer_no() { m_answers.push_back("no"); }
  void answer_input(std::string text) { m_answers.push_back("=" + std::move(text)); }
  void answer_cancel() { m_answers.push_back("cancel"); }
  // Without queued answers, every question gets this answer.
  void set_default_answer(bool yes) { m_default = yes ? 1 : 0; }

  const std::vector<Shown>& shown() const { return m_shown; }
  // Just the texts, in order.
  std::vector<std::string> texts() const;
  size_t unused_answers() const { return m_answers.size(); }
  void clear() { m_shown.clear(); }
  // Called with every shown text as it is shown (the CLI prints them).
  void on_show(std::function<void(const Shown&)> f) { m_on_show = std::move(f); }

  void inform(const std::string& text) override;
  void warn(const std::string& text) override;
  void error(const std::string& text) override;
  bool ask(const std::string& text) override;
  void acknowledge_at(const std::string& text, int x, int y) override;
  std::optional<std::string> input(const std::string& caption, const std::string& prompt,
                                   const std::string& initial) override;
  std::optional<std::string> pick_file(const std::string& caption, const std::string& directory,
                                       const std::string& filter) override;

 private:
  void record(Kind k, const std::string& text, int x = 0, int y = 0);
  std::string next_answer(const std::string& question);

  std::vector<Shown> m_shown;
  std::deque<std::string> m_answers;
  int m_default = -1;
  std::function<void(const Shown&)> m_on_show;
};

}  // namespace vmx::platform
