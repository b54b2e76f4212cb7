#include "core/store/session.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "core/platform/file_system.h"
#include "core/store/error.h"
#include "core/store/table_check.h"

namespace vmx::store {

namespace fs = std::filesystem;

// An advisory lock on an account directory, held while the account is bound.
// The kernel drops it when the process ends, so a crash never leaves the
// account locked.
class Session::DirLock {
 public:
  explicit DirLock(const fs::path& dir) : m_dir(dir) {
    m_fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0) throw Error("帐户目录 " + dir.string() + " 打不开: " + std::strerror(errno));
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
      const int err = errno;
      ::close(m_fd);
      if (err == EWOULDBLOCK)
        throw Error("帐户目录 " + dir.string() +
                    " 正被另一个运行中的Valmorix使用,两个程序不能同时打开同一个帐户。");
      throw Error("帐户目录 " + dir.string() + " 不能加锁: " + std::strerror(err));
    }
  }
  ~DirLock() {
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
  }
  const fs::path& dir() const { return m_dir; }

 private:
  fs::path m_dir;
  int m_fd = -1;
};

Session::Session() = default;
Session::~Session() = default;

namespace {
std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// Paths stored by older installations use backslashes (".\user").
fs::path as_path(std::string_view where) {
  std::string s(where);
  std::replace(s.begin(), s.end(), '\\', '/');
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return fs::path(s);
}
}  // namespace

void Session::set_alias(const std::string& alias, const fs::path& dir) {
  const std::string key = lower(alias);
  // The new directory's lock is taken before anything of the old binding is
  // let go, so a refused re-bind leaves the session as it was.
  std::unique_ptr<DirLock> lock;
  if (key == "ubx") {
    std::error_code ec;
    const fs::path canon = fs::weakly_canonical(dir, ec);
    if (!m_lock || m_lock->dir() != canon) lock = std::make_unique<DirLock>(canon);
  }
  if (m_aliases.count(key)) close_alias(key);
  if (lock) m_lock = std::move(lock);
  m_aliases[key] = dir;
  m_serials[key] = m_next_serial++;
  m_unbound.erase(key);
}

void Session::unbind_alias(const std::string& alias) {
  const std::string key = lower(alias);
  if (!m_aliases.count(key)) return;
  close_alias(key);
  m_aliases.erase(key);
  m_serials.erase(key);
  m_unbound.insert(key);
  if (key == "ubx") m_lock.reset();
}

void Session::close_alias(const std::string& alias) {
  const std::string key = lower(alias);
  std::vector<int> handles;
  for (const auto& [h, u] : m_users)
    if (u.alias == key) handles.push_back(h);
  for (int h : handles) {
    auto it = m_users.find(h);
    if (it != m_users.end()) {
      Closer close = it->second.close;
      close();  // unregisters itself
      m_users.erase(h);
    }
  }
}

bool Session::has_alias(std::string_view alias) const { return m_aliases.count(lower(alias)) > 0; }

unsigned Session::alias_serial(std::string_view alias) const {
  auto it = m_serials.find(lower(alias));
  return it == m_serials.end() ? 0 : it->second;
}

fs::path Session::alias_dir(std::string_view alias) const {
  auto it = m_aliases.find(lower(alias));
  if (it == m_aliases.end()) throw Error("unknown alias " + std::string(alias));
  return it->second;
}

fs::path Session::resolve(std::string_view where, std::string_view file) const {
  if (m_unbound.count(lower(where)))
    throw Error("帐户已退出登录，" + std::string(file) + "不能再通过" + std::string(where) +
                "打开。");
  const fs::path dir = has_alias(where) ? alias_dir(where) : as_path(where);
  return resolve_case_insensitive(dir, file);
}

std::shared_ptr<Table> Session::open_table(std::string_view where, std::string_view file) {
  const fs::path path = resolve(where, file);
  std::error_code ec;
  const fs::path key = fs::weakly_canonical(path, ec);
  auto it = m_tables.find(key);
  if (it != m_tables.end())
    if (auto t = it->second.lock()) {
      t->sync_with_file();  // another running copy may have changed it
      return t;
    }
  // Another running copy changes the file under its exclusive lock. Reading
  // the header, checking it and loading the rows under a shared lock sees the
  // file between two of its changes, never half way through one (a count
  // read before the rows it counts were loaded, say).
  std::shared_ptr<platform::File> reading;
  try {
    reading = platform::file_system().open(path, platform::OpenMode::Read);
    reading->lock(false);
  } catch (const platform::FileError&) {
    reading.reset();  // the open below says what is wrong with the file
  }
  const struct Unlock {
    std::shared_ptr<platform::File>& f;
    ~Unlock() {
      if (f) f->unlock();
    }
  } unlock{reading};
  std::unique_ptr<TableFile> f;
  try {
    f = open_table_file(path);
  } catch (const Error&) {
    // A file we may read but not write still opens, for reading.
    if (::access(path.c_str(), R_OK) != 0 || ::access(path.c_str(), W_OK) == 0) throw;
    OpenOptions ro;
    ro.read_only = true;
    f = open_table_file(path, ro);
  }
  // Before the program writes to a table of its own, the fields it needs must
  // be there; a file that cannot be written is only read, so it may lack some.
  const TableSpec* spec = find_table_spec(path.filename().string());
  if (!f->read_only() && spec && !spec->earlier_version) {
    auto faults = catalogue_faults(*f, *spec);
    if (!faults.empty()) throw faults.front();
  }
  auto t = std::make_shared<Table>(std::move(f), indexes_for(path.filename().string()));
  // Cells that read as blank although they hold something would make totals
  // silently wrong: say which they are, and write nothing to the table until
  // they are mended.
  if (!t->file().read_only()) {
    auto cells = unreadable_cells(*t);
    if (!cells.empty()) {
      const Error refusal = unreadable_cells_error(*t, std::move(cells));
      t->refuse_writes(refusal);
      if (m_dialogs) m_dialogs->warn(user_message(refusal));
    }
  }
  m_tables[key] = t;
  return t;
}

void Session::forget(const fs::path& path) {
  std::error_code ec;
  m_tables.erase(fs::weakly_canonical(path, ec));
}

int Session::register_user(std::string_view where, Closer close) {
  User u;
  if (has_alias(where)) u.alias = lower(where);
  u.close = std::move(close);
  m_users.emplace(m_next_user, std::move(u));
  return m_next_user++;
}

void Session::unregister_user(int handle) { m_users.erase(handle); }

}  // namespace vmx::store
