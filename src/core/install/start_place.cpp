#include "core/install/start_place.h"

#include <system_error>

#include "core/install/installation.h"
#include "core/platform/error_boundary.h"
#include "core/store/error.h"
#include "core/store/table_file.h"

namespace vmx::store {

namespace fs = std::filesystem;

namespace {

// What the user typed, as a directory: blanks around it dropped, "~" the home
// directory, relative to `home` otherwise (the menu starts us there).
fs::path typed_directory(std::string text, const fs::path& home) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
  if (text == "~" || text.starts_with("~/")) text = home.string() + text.substr(1);
  fs::path dir(text);
  if (dir.is_relative()) dir = home / dir;
  return dir.lexically_normal();
}

// A new installation may go where nothing is yet, or into an empty directory.
bool may_lay_out(const fs::path& dir) {
  std::error_code ec;
  const auto status = fs::status(dir, ec);
  if (!fs::exists(status)) return true;
  return fs::is_directory(status) && fs::is_empty(dir, ec) && !ec;
}

}  // namespace

bool is_installation(const fs::path& dir) {
  if (dir.empty()) return false;
  std::error_code ec;
  return fs::is_regular_file(resolve_case_insensitive(dir, "z.db"), ec);
}

std::optional<fs::path> choose_installation(const StartPlaces& places, platform::Dialogs& dialogs,
                                            Date today) {
  if (is_installation(places.current)) return places.current;
  if (is_installation(places.remembered)) return places.remembered;
  const fs::path& home = places.home;
  const std::string prompt =
      "没有找到Valmorix的安装目录(存放管理帐户清单文件z.db和各帐户数据的目录)。\n"
      "请输入已有的安装目录;输入一个新的或空的目录则在那里建立新的安装目录:";
  std::string initial = (home / kSuggestedInstallation).string();
  for (;;) {
    const auto answer = dialogs.input("选择安装目录", prompt, initial);
    if (!answer) return std::nullopt;
    initial = *answer;
    const fs::path dir = typed_directory(*answer, home);
    if (dir.empty()) continue;
    if (is_installation(dir)) return dir;
    if (!may_lay_out(dir)) {
      dialogs.warn("“" + dir.string() +
                   "”不是Valmorix的安装目录,也不是空目录。新的安装目录只能建立在新的或空的目录里,"
                   "以免覆盖已有的文件。请另选一个目录。");
      continue;
    }
    if (!dialogs.ask("在“" + dir.string() + "”建立新的安装目录吗?")) continue;
    const bool demo = dialogs.ask(
        "在“示范帐户”中放入示范数据(持仓、委托、一年的基金记录)吗?\n“我的帐户”总是空的。");
    try {
      init_installation(dir, demo, today);
    } catch (const Error& e) {
      dialogs.error("无法在“" + dir.string() + "”建立安装目录:" + platform::describe(e));
      continue;
    }
    dialogs.inform("新的安装目录已经建立:" + dir.string() +
                   "\n管理帐户“我的帐户”和“示范帐户”都还没有口令。");
    return dir;
  }
}

}  // namespace vmx::store
