#include "core/platform/shell.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <thread>

extern char** environ;

namespace vmx::platform {

namespace fs = std::filesystem;

std::vector<std::string> split_parameters(const std::string& parameters) {
  std::vector<std::string> out;
  std::string current;
  bool in_word = false, quoted = false;
  for (const char c : parameters) {
    if (c == '"') {
      quoted = !quoted;
      in_word = true;
    } else if (!quoted && (c == ' ' || c == '\t')) {
      if (in_word) out.push_back(current);
      current.clear();
      in_word = false;
    } else {
      current += c;
      in_word = true;
    }
  }
  if (in_word) out.push_back(current);
  return out;
}

namespace {

bool is_file(const fs::path& p) {
  std::error_code ec;
  return fs::exists(p, ec) && !fs::is_directory(p, ec);
}

// The file a call names, or an empty path when it is nowhere to be found.
fs::path resolve(const std::string& file, const fs::path& directory) {
  if (file.empty()) return {};
  const fs::path named(file);
  if (named.is_absolute()) return is_file(named) ? named : fs::path();
  if (file.find('/') != std::string::npos) {
    const fs::path p = directory / named;
    return is_file(p) ? p : fs::path();
  }
  if (is_file(directory / named)) return directory / named;
  const char* path = std::getenv("PATH");
  std::string rest = path ? path : "";
  while (!rest.empty()) {
    const size_t colon = rest.find(':');
    const std::string dir = rest.substr(0, colon);
    rest = colon == std::string::npos ? "" : rest.substr(colon + 1);
    if (dir.empty()) continue;
    const fs::path p = fs::path(dir) / named;
    if (is_file(p) && ::access(p.c_str(), X_OK) == 0) return p;
  }
  return {};
}

int result_of(int error) {
  switch (error) {
    case 0:
      return Shell::kStarted;
    case ENOENT:
      return Shell::kFileNotFound;
    case ENOTDIR:
      return Shell::kPathNotFound;
    case EACCES:
    case EPERM:
      return Shell::kAccessDenied;
    case ENOEXEC:
    case EINVAL:
      return Shell::kBadFormat;
    default:
      return Shell::kOutOfResources;
  }
}

// Starts `program` (a path, or with `search` a name looked up along PATH)
// with `args` in `directory`. The child reads nothing from our terminal and
// inherits no open file of ours; a thread of its own waits for its end.
int spawn(const std::string& program, const std::vector<std::string>& args,
          const fs::path& directory, bool search) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
  pid_t pid = 0;
  const int rc = search
                     ? posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ)
                     : posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return rc;
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return 0;
}

}  // namespace

int PosixShell::execute(const std::string& file, const std::string& parameters,
                        const std::string& directory, int /*show_mode*/) {
  std::error_code ec;
  const fs::path dir = directory.empty() ? fs::current_path(ec) : fs::path(directory);
  const fs::path target = resolve(file, dir);
  if (target.empty()) return kFileNotFound;
  if (!fs::is_directory(dir, ec)) return kPathNotFound;

  struct stat st {};
  const bool program = ::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                       (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
  if (program) return result_of(spawn(target.string(), split_parameters(parameters), dir, false));

  // A document: the desktop's opener gets its full path as its one argument.
  const fs::path full = fs::absolute(target, ec);
  const int rc = spawn(m_opener, {full.string()}, dir, m_opener.find('/') == std::string::npos);
  if (rc == ENOENT || rc == EACCES) return kNoAssociation;
  return result_of(rc);
}

int ScriptedShell::execute(const std::string& file, const std::string& parameters,
                           const std::string& directory, int show_mode) {
  m_calls.push_back({file, parameters, directory, show_mode});
  return m_result;
}

}  // namespace vmx::platform
