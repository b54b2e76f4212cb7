#include "core/login/external_programs.h"

#include <fstream>
#include <sstream>
#include <system_error>

#include "core/platform/file_system.h"
#include "core/store/gbk.h"

namespace vmx::app {

namespace fs = std::filesystem;

std::string path_file_text(const std::optional<std::string>& existing, const std::string& curr_dir,
                           const std::string& acc_dir, const std::string& first_written) {
  if (!existing) return curr_dir + "\n" + acc_dir + "\n" + first_written + "\n";
  const std::string& s = *existing;
  // The rewritten lines end as the file's own lines do.
  const size_t first_end = s.find('\n');
  const std::string eol =
      first_end != std::string::npos && first_end > 0 && s[first_end - 1] == '\r' ? "\r\n" : "\n";
  size_t rest = 0;
  for (int line = 0; line < 2 && rest < s.size(); ++line) {
    const size_t end = s.find('\n', rest);
    rest = end == std::string::npos ? s.size() : end + 1;
  }
  return curr_dir + eol + acc_dir + eol + s.substr(rest);
}

OrderPrograms::OrderPrograms(store::Session& session) : m_table(session, "curr", "wt_path.DB") {
  m_table.open();
  if (!m_table.locate("Now", {store::Value::boolean(true)})) m_table.first();
}

std::string OrderPrograms::path() { return m_table.empty() ? "" : m_table.get_string("Path"); }
std::string OrderPrograms::name() { return m_table.empty() ? "" : m_table.get_string("Name"); }

void OrderPrograms::list_opened() {
  const store::Cursor::Bookmark at = m_table.bookmark();
  for (m_table.first(); !m_table.eof(); m_table.next()) {
    m_table.edit();
    m_table.set_bool("Now", false);
    m_table.post();
  }
  m_table.go_to_bookmark(at);
}

void OrderPrograms::list_closed() {
  if (m_table.empty()) return;
  m_table.edit();
  m_table.set_bool("Now", true);
  m_table.post();
}

std::string OrderPrograms::refusal(const char* field, const std::string& value) {
  const store::Schema& schema = m_table.schema();
  const int width = schema.fields[static_cast<size_t>(schema.index_of(field))].width;
  if (store::fits_gbk_field(value, size_t(width))) return {};
  const std::string f = field;
  return std::string(f == "Path"   ? "路径“"
                     : f == "Name" ? "程序名“"
                                   : "名称“") +
         value + "”太长或含有不能保存的字符(最多" + std::to_string(width) + "个字节)，没有改动。";
}

std::string OrderPrograms::set_text(const char* field, const std::string& value) {
  if (m_table.empty() || m_table.get_string(field) == value) return {};
  if (std::string why = refusal(field, value); !why.empty()) return why;
  m_table.edit();
  m_table.set_string(field, value);
  m_table.post();
  return {};
}

std::string OrderPrograms::set_program(const fs::path& file) {
  std::string dir = file.parent_path().string();
  if (dir.empty() || dir.back() != '/') dir += '/';
  const std::string name = file.filename().string();
  for (const auto& [field, value] : {std::pair{"Path", dir}, std::pair{"Name", name}})
    if (std::string why = refusal(field, value); !why.empty()) return why;
  if (m_table.empty())
    m_table.append();
  else
    m_table.edit();
  m_table.set_string("Path", dir);
  m_table.set_string("Name", name);
  m_table.post();
  return {};
}

namespace {

fs::path program_file(const std::string& path, const std::string& name) {
  return path.empty() ? fs::path(name) : fs::path(path) / name;
}

std::optional<std::string> read_whole(const fs::path& file) {
  std::error_code ec;
  if (!fs::exists(file, ec)) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  if (!in) throw platform::FileError(file, "read", errno ? errno : EIO);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

bool OrderPrograms::write_path_file(platform::Dialogs& dialogs, const LoginState& login,
                                    const Date& today) {
  const std::string dir = path(), program = name();
  if (dir.empty() || program.empty()) {
    dialogs.inform(kPathNotSet);
    return false;
  }
  std::error_code ec;
  if (!fs::is_regular_file(program_file(dir, program), ec)) {
    dialogs.inform(kOrderProgramMissing);
    return false;
  }
  const fs::path target = fs::path(dir) / kPathFileName;
  const std::string text = path_file_text(read_whole(target), login.curr_dir.string(),
                                          login.acc_dir.string(), today.to_string());
  // Written beside it and renamed over it, so that the order program's own
  // lines are never half gone.
  const fs::path temporary = fs::path(dir) / ".path.txt.new";
  platform::FileSystem& files = platform::file_system();
  files.open(temporary, platform::OpenMode::Create)->write_at(text.data(), text.size(), 0);
  files.rename(temporary, target);
  return true;
}

bool start_order_program(OrderPrograms& programs, platform::Shell& shell,
                         platform::Dialogs& dialogs) {
  const std::string dir = programs.path();
  const int result =
      shell.execute(program_file(dir, programs.name()).string(), "", dir, platform::Shell::kShow);
  if (result == platform::Shell::kFileNotFound) {
    dialogs.inform(kOrderProgramNotFound);
    return false;
  }
  if (!platform::Shell::started(result)) dialogs.inform(kOrderProgramFailed);
  return true;
}

}  // namespace vmx::app
