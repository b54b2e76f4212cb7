#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "core/platform/dialogs.h"
#include "core/store/table.h"

namespace vmx::store {

// The table engine's connection state for one running program: the two
// aliases `curr` (program directory) and `ubx` (the logged-in account's
// directory), the registry of open tables (one shared Table per file), and the
// lock that keeps a second running copy out of an account directory.
class Session {
 public:
  Session();
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Binds (or re-binds) an alias to a directory. Re-binding closes every cursor
  // and query opened through the alias; they must be opened again. Binding
  // `ubx` takes the account directory's lock and releases the previous one;
  // throws Error with a clear message when another running copy holds it, and
  // then changes nothing (the earlier binding, its lock and cursors stay).
  void set_alias(const std::string& alias, const std::filesystem::path& dir);
  // Closes every cursor and query opened through the alias (the binding stays).
  void close_alias(const std::string& alias);
  // Closes the alias as close_alias does and forgets its binding; for `ubx`
  // the account directory's lock goes with it, so another running copy may
  // open the account. Unknown aliases are ignored. Until it is bound again,
  // opening a table through the name fails with a clear message instead of
  // taking the name for a directory.
  void unbind_alias(const std::string& alias);
  bool has_alias(std::string_view alias) const;
  // A number that changes each time the alias is bound: lets an owner of a
  // binding tell whether it is still its own. 0 while unbound.
  unsigned alias_serial(std::string_view alias) const;
  // Throws Error for an unknown alias.
  std::filesystem::path alias_dir(std::string_view alias) const;

  // The table password given before tables are opened. Our engine reads and
  // writes only unencrypted tables (an encrypted Paradox table is refused on
  // open), so the password is kept for callers that ask but unlocks nothing.
  void set_password(std::string password) { m_password = std::move(password); }
  const std::string& password() const { return m_password; }

  // Where open_table warns about a table it will not write to (cells that
  // cannot be read). Without one the warning is only the refusal of writes.
  void set_dialogs(platform::Dialogs* dialogs) { m_dialogs = dialogs; }

  // `where` is an alias name or a directory path (".\user", an absolute path).
  // The file name is found without regard to case.
  std::filesystem::path resolve(std::string_view where, std::string_view file) const;
  // Is `where` an alias name?
  bool is_alias(std::string_view where) const { return has_alias(where); }

  // Opens (or shares) the table of a file. Index definitions come from the
  // catalogue by file name. Throws Error for a missing, unreadable or damaged
  // file, and, when the file can be written, for a catalogue table lacking a
  // field the program needs (or holding it with another type or narrower).
  // A writable table with unreadable cells opens, but refuses every change
  // (the Dialogs are warned once, listing the cells).
  std::shared_ptr<Table> open_table(std::string_view where, std::string_view file);
  // Drops the shared table of a file so the next open reads it from disk again
  // (used after a file was replaced on disk, e.g. by a batch move in copy mode).
  void forget(const std::filesystem::path& path);

  // Cursors and queries register here to be closed when their alias is re-bound.
  using Closer = std::function<void()>;
  int register_user(std::string_view where, Closer close);
  void unregister_user(int handle);

 private:
  struct User {
    std::string alias;  // empty when opened through a directory path
    Closer close;
  };
  class DirLock;
  std::map<std::string, std::filesystem::path> m_aliases;
  std::map<std::string, unsigned> m_serials;
  std::set<std::string> m_unbound;  // aliases unbound and not bound again
  unsigned m_next_serial = 1;
  std::map<std::filesystem::path, std::weak_ptr<Table>> m_tables;
  std::map<int, User> m_users;
  int m_next_user = 1;
  std::string m_password;
  platform::Dialogs* m_dialogs = nullptr;
  std::unique_ptr<DirLock> m_lock;
};

}  // namespace vmx::store
