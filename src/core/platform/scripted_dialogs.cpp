#include "core/platform/scripted_dialogs.h"

namespace vmx::platform {

std::vector<std::string> ScriptedDialogs::texts() const {
  std::vector<std::string> out;
  for (const auto& s : m_shown) out.push_back(s.text);
  return out;
}

void ScriptedDialogs::record(Kind k, const std::string& text, int x, int y) {
  m_shown.push_back({k, text, x, y});
  if (m_on_show) m_on_show(m_shown.back());
}

std::string ScriptedDialogs::next_answer(const std::string& question) {
  if (!m_answers.empty()) {
    std::string a = std::move(m_answers.front());
    m_answers.pop_front();
    return a;
  }
  if (m_default >= 0) return m_default ? "yes" : "no";
  throw UnexpectedDialog("a question nobody expected: " + question);
}

void ScriptedDialogs::inform(const std::string& text) { record(Kind::Inform, text); }
void ScriptedDialogs::warn(const std::string& text) { record(Kind::Warn, text); }
void ScriptedDialogs::error(const std::string& text) { record(Kind::Error, text); }

bool ScriptedDialogs::ask(const std::string& text) {
  record(Kind::Ask, text);
  const std::string a = next_answer(text);
  if (a != "yes" && a != "no") throw UnexpectedDialog("a yes/no answer expected for: " + text);
  return a == "yes";
}

void ScriptedDialogs::acknowledge_at(const std::string& text, int x, int y) {
  record(Kind::Acknowledge, text, x, y);
}

std::optional<std::string> ScriptedDialogs::input(const std::string& caption,
                                                  const std::string& prompt,
                                                  const std::string& initial) {
  record(Kind::Input, caption + ": " + prompt);
  const std::string a = next_answer(prompt);
  if (a == "cancel" || a == "no") return std::nullopt;
  if (a == "yes") return initial;
  return a.substr(1);
}

std::optional<std::string> ScriptedDialogs::pick_file(const std::string& caption,
                                                      const std::string&, const std::string&) {
  record(Kind::PickFile, caption);
  const std::string a = next_answer(caption);
  if (a.empty() || a[0] != '=') return std::nullopt;
  return a.substr(1);
}

}  // namespace vmx::platform
