#include "core/login/account_list.h"

#include <system_error>

#include "core/store/error.h"
#include "core/store/table_file.h"

namespace vmx::app {

namespace fs = std::filesystem;

SubdirPlace locate_subdir(const fs::path& curr_dir, const std::string& subdir) {
  std::string name = subdir;
  if (name.rfind(".\\", 0) == 0 || name.rfind("./", 0) == 0) name.erase(0, 2);
  if (name.empty()) return {{}, SubdirProblem::Empty};
  if (name == "." || name == ".." || name.find_first_of("/\\") != std::string::npos)
    return {{}, SubdirProblem::NotAName};
  const fs::path dir = store::resolve_case_insensitive(curr_dir, name);
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(dir, ec))) return {dir, SubdirProblem::Missing};
  // A link may lead anywhere: what counts is where it ends.
  const fs::path real = fs::canonical(dir, ec);
  if (ec || !fs::is_directory(real, ec) || real.parent_path() != fs::canonical(curr_dir, ec))
    return {dir, SubdirProblem::NotInside};
  return {dir, SubdirProblem::None};
}

AccountDirectory account_directory(const fs::path& curr_dir, const std::string& account,
                                   const std::string& subdir) {
  const std::string said = "帐户“" + account + "”的数据目录“" + subdir + "”";
  const SubdirPlace place = locate_subdir(curr_dir, subdir);
  switch (place.problem) {
    case SubdirProblem::None:
      return {place.dir, {}};
    case SubdirProblem::Empty:
      return {{}, "帐户“" + account + "”没有填写数据目录(Subdir是空的)，不能进入。"};
    case SubdirProblem::NotAName:
      return {{}, said + "不是安装目录里的一个子目录名，不能进入。"};
    case SubdirProblem::Missing:
      return {{}, said + "在安装目录里不存在，不能进入。"};
    case SubdirProblem::NotInside:
      break;
  }
  return {{}, said + "不是安装目录里的子目录(是文件或指向别处的链接)，不能进入。"};
}

void bind_program_directory(store::Session& session, const fs::path& curr_dir) {
  session.set_alias("curr", curr_dir);
  session.set_password(kTablePassword);
}

AccountList::AccountList(store::Session& session, platform::Dialogs& dialogs)
    : m_session(session), m_dialogs(dialogs), m_accounts(session, "curr", "z.db") {
  std::error_code ec;
  if (!fs::is_regular_file(m_session.resolve("curr", "z.db"), ec)) {
    m_dialogs.inform(kMissingAccountList);
    return;
  }
  m_accounts.open();
}

AccountList::~AccountList() = default;

std::vector<std::string> AccountList::names() {
  std::vector<std::string> out;
  if (!available()) return out;
  // Walk by row identity so the current row (and the views on it) stay put.
  const int field = m_accounts.field_index("User_name");
  for (store::RowId id : m_accounts.rows())
    out.push_back(m_accounts.table().get(id, field).as_string());
  return out;
}

std::string AccountList::initial_name() {
  if (!available() || m_accounts.empty()) return {};
  m_accounts.first();
  if (!m_accounts.locate("Now", {store::Value::boolean(true)})) m_accounts.first();
  return m_accounts.get_string("User_name");
}

void AccountList::pick(const std::string& name) {
  if (!available()) return;
  m_accounts.first();
  while (!m_accounts.eof()) {
    m_accounts.edit();
    m_accounts.set_bool("Now", false);
    m_accounts.post();
    m_accounts.next();
  }
  if (m_accounts.locate("User_name", {store::Value::text(name)})) {
    m_accounts.edit();
    m_accounts.set_bool("Now", true);
    m_accounts.post();
  }
}

std::optional<LoginState> AccountList::login(const std::string& name, const std::string& password) {
  if (!available())
    throw store::Error(m_session.resolve("curr", "z.db").string() +
                       ": the account list is not open, so nobody can log in");
  if (!m_accounts.find_key({store::Value::text(name), store::Value::text(password)})) {
    m_dialogs.inform(kWrongPassword);
    return std::nullopt;
  }
  LoginState state;
  state.curr_dir = m_session.alias_dir("curr");
  state.acc_name = name;
  const AccountDirectory dir =
      account_directory(state.curr_dir, name, m_accounts.get_string("Subdir"));
  if (!dir.accepted()) {
    m_dialogs.warn(dir.refusal);
    return std::nullopt;
  }
  state.acc_dir = dir.dir;
  return state;
}

}  // namespace vmx::app
