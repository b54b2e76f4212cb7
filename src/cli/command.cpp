#include "cli/command.h"

#include <cstdio>

namespace vmx::cli {

namespace {

// The command a parse reached: the program, a group or a command.
const CLI::App& reached(const CLI::App& root) {
  const CLI::App* app = &root;
  while (!app->get_subcommands().empty()) app = app->get_subcommands().front();
  return *app;
}

// Its name as the user typed it: "valmorix-cli report holdings".
std::string command_path(const CLI::App& app) {
  const std::string name = app.get_name();
  return app.get_parent() ? command_path(*app.get_parent()) + " " + name : name;
}

// What was wrong, in one line; a word that names no command of a group is
// said as such rather than as a missing command.
std::string problem(const CLI::App& app, const CLI::ParseError& e) {
  const std::vector<std::string> rest = app.remaining();
  if (app.get_require_subcommand_min() > 0 && app.get_subcommands().empty() && !rest.empty() &&
      !rest.front().starts_with("-"))
    return "unknown command '" + rest.front() + "'";
  return e.what();
}

}  // namespace

CLI::App& Commands::group(const std::string& name, const std::string& description) {
  CLI::App* g = nullptr;
  try {
    g = m_root.get_subcommand(name);
  } catch (const CLI::OptionNotFound&) {
    g = m_root.add_subcommand(name);
    g->require_subcommand(1);
  }
  if (!description.empty()) g->description(description);
  return *g;
}

CLI::App& Commands::add(const std::string& name, const std::string& description, Run run) {
  CLI::App* parent = &m_root;
  std::string leaf = name;
  if (const size_t space = name.find(' '); space != std::string::npos) {
    parent = &group(name.substr(0, space), "");
    leaf = name.substr(space + 1);
  }
  CLI::App* command = parent->add_subcommand(leaf, description);
  m_runs.emplace_back(command, std::move(run));
  return *command;
}

int Commands::run(int argc, char** argv) {
  m_root.require_subcommand(1);
  // "valmorix-cli help" as "valmorix-cli --help".
  if (argc == 2 && std::string(argv[1]) == "help") {
    std::fputs(m_root.help().c_str(), stdout);
    return kOk;
  }
  if (argc < 2) {
    std::fputs(m_root.help().c_str(), stderr);
    return kUsageError;
  }
  try {
    m_root.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::fputs(m_root.help().c_str(), stdout);
    return kOk;
  } catch (const CLI::ParseError& e) {
    const CLI::App& app = reached(m_root);
    const std::string path = command_path(app);
    std::fprintf(stderr, "%s: %s\nRun '%s --help' for its usage.\n", path.c_str(),
                 problem(app, e).c_str(), path.c_str());
    return kUsageError;
  }
  for (const auto& [command, run] : m_runs)
    if (command->parsed()) return run();
  return kUsageError;  // not reached: a parse selects one command
}

int fail(const std::string& command, const std::string& text, int code) {
  std::fprintf(stderr, "valmorix-cli %s: %s\n", command.c_str(), text.c_str());
  return code;
}

void say(const std::string& text) {
  std::string line = text;
  // One message a line, so a script reads them line by line.
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  line += '\n';
  std::fputs(line.c_str(), stdout);
  std::fflush(stdout);
}

CLI::Validator value_check(std::function<std::string(const std::string& text)> problem) {
  return CLI::Validator([problem](std::string& text) { return problem(text); }, "");
}

CLI::Validator not_empty(const std::string& what) {
  return value_check(
      [what](const std::string& text) { return text.empty() ? "needs " + what : std::string(); });
}

void TodayOption::add_to(CLI::App& command) {
  command
      .add_option_function<std::string>(
          "--today",
          [this](const std::string& text) {
            m_fixed.emplace(platform::DateTime{*Date::parse(text), 12, 0, 0, 0});
          },
          "today's date for this run (default: the machine's)")
      ->type_name("YYYY-MM-DD")
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
      ->check(value_check([](const std::string& text) {
        return text.size() == 10 && Date::parse(text)
                   ? std::string()
                   : "needs a date YYYY-MM-DD, not '" + text + "'";
      }));
}

platform::Clock& TodayOption::clock() {
  if (m_fixed) return *m_fixed;
  return platform::system_clock();
}

void add_answer_option(CLI::App& command, bool& answer) {
  command
      .add_option_function<std::string>(
          "--answer", [&answer](const std::string& text) { answer = text == "yes"; },
          "the answer to every question the run asks (default no)")
      ->type_name("yes|no")
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
      ->check(CLI::IsMember({"yes", "no"}));
}

void add_pdf_option(CLI::App& command, std::filesystem::path& pdf) {
  command.add_option("--pdf", pdf, "write the report as a PDF file instead of printing it")
      ->type_name("FILE")
      ->check(not_empty("a file name"));
}

void add_account_arguments(CLI::App& command, AccountArgs& account) {
  command.add_option("PROGRAM_DIR", account.program_dir, "the installation's directory")
      ->required()
      ->check(CLI::ExistingDirectory);
  command.add_option("ACCOUNT_NAME", account.name, "a managed account's name (its z.db row)")
      ->required();
}

PrintingDialogs::PrintingDialogs(bool answer) {
  set_default_answer(answer);
  on_show([](const Shown& s) {
    if (!s.text.empty()) say(s.text);
  });
}

}  // namespace vmx::cli
