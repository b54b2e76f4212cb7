#include "core/platform/file_system.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <set>
#include <system_error>
#include <vector>

namespace vmx::platform {

namespace fs = std::filesystem;

FileError::FileError(fs::path path, std::string action, int os_error)
    : std::runtime_error(path.string() + ": cannot " + action + ": " +
                         std::generic_category().message(os_error)),
      m_path(std::move(path)),
      m_action(std::move(action)),
      m_os_error(os_error) {}

namespace {

// What waits for the next flush: the files written (kept open until then, so
// a write-back error is still reported to us) and the directories renamed in.
struct Waiting {
  std::vector<std::shared_ptr<File>> files;
  std::set<fs::path> dirs;
};

Waiting& waiting() {
  static Waiting w;
  return w;
}

fs::path dir_of(const fs::path& p) { return p.has_parent_path() ? p.parent_path() : fs::path("."); }

class PosixFile final : public File {
 public:
  PosixFile(fs::path path, int fd) : File(std::move(path)), m_fd(fd) {}
  ~PosixFile() override { ::close(m_fd); }

  size_t read_at(void* buffer, size_t size, uint64_t offset) override {
    size_t done = 0;
    while (done < size) {
      const ssize_t n =
          ::pread(m_fd, static_cast<char*>(buffer) + done, size - done, off_t(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) throw FileError(path(), "read", errno);
      if (n == 0) break;
      done += size_t(n);
    }
    return done;
  }
  void sync() override {
    if (::fdatasync(m_fd) != 0) throw FileError(path(), "sync", errno);
  }
  FileStamp stamp() override {
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) throw FileError(path(), "stat", errno);
    return FileStamp{uint64_t(st.st_dev), uint64_t(st.st_ino), uint64_t(st.st_size),
                     int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
  }
  FileStamp advance_stamp(const FileStamp& before) override {
    FileStamp now = stamp();
    if (now.mtime_ns > before.mtime_ns) return now;
    // Strictly later than before, so the stamps of a file never repeat.
    now.mtime_ns = before.mtime_ns + 1;
    const timespec times[2] = {
        {0, UTIME_OMIT}, {time_t(now.mtime_ns / 1000000000), long(now.mtime_ns % 1000000000)}};
    if (::futimens(m_fd, times) != 0) throw FileError(path(), "stamp", errno);
    return now;
  }
  void lock(bool exclusive) override {
    while (::flock(m_fd, exclusive ? LOCK_EX : LOCK_SH) != 0)
      if (errno != EINTR) throw FileError(path(), "lock", errno);
  }
  void unlock() override { ::flock(m_fd, LOCK_UN); }

 protected:
  void do_write_at(const void* data, size_t size, uint64_t offset) override {
    size_t done = 0;
    while (done < size) {
      const ssize_t n =
          ::pwrite(m_fd, static_cast<const char*>(data) + done, size - done, off_t(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw FileError(path(), "write", n < 0 ? errno : EIO);
      done += size_t(n);
    }
  }
  void do_truncate(uint64_t size) override {
    if (::ftruncate(m_fd, off_t(size)) != 0) throw FileError(path(), "truncate", errno);
  }

 private:
  int m_fd;
};

class PosixFileSystem final : public FileSystem {
 public:
  std::shared_ptr<File> open(const fs::path& path, OpenMode mode) override {
    int flags = O_CLOEXEC;
    switch (mode) {
      case OpenMode::Read:
        flags |= O_RDONLY;
        break;
      case OpenMode::ReadWrite:
        flags |= O_RDWR;
        break;
      case OpenMode::Create:
        flags |= O_RDWR | O_CREAT | O_TRUNC;
        break;
    }
    const int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) throw FileError(path, "open", errno);
    return std::make_shared<PosixFile>(path, fd);
  }
  void remove(const fs::path& path) override {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) throw FileError(path, "remove", errno);
  }
  void sync_directory(const fs::path& dir) override {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) return;  // gone since: nothing left to make durable
    if (fd < 0) throw FileError(dir, "open", errno);
    const int rc = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    if (rc != 0) throw FileError(dir, "sync", err);
  }

 protected:
  void do_rename(const fs::path& from, const fs::path& to) override {
    if (::rename(from.c_str(), to.c_str()) != 0) throw FileError(to, "rename", errno);
  }
};

FileSystem* g_current = nullptr;

}  // namespace

void File::write_at(const void* data, size_t size, uint64_t offset) {
  note_written();  // before: a failed write may still have changed the file
  do_write_at(data, size, offset);
}

void File::truncate(uint64_t size) {
  note_written();
  do_truncate(size);
}

void File::note_written() {
  if (m_written) return;
  m_written = true;
  waiting().files.push_back(shared_from_this());
}

void FileSystem::rename(const fs::path& from, const fs::path& to) {
  do_rename(from, to);
  waiting().dirs.insert(dir_of(to));
}

FileSystem& posix_file_system() {
  static PosixFileSystem fs;
  return fs;
}

FileSystem& file_system() { return g_current ? *g_current : posix_file_system(); }

ScopedFileSystem::ScopedFileSystem(FileSystem& fs) : m_previous(g_current) { g_current = &fs; }
ScopedFileSystem::~ScopedFileSystem() { g_current = m_previous; }

void flush_written_files() {
  if (waiting().files.empty() && waiting().dirs.empty()) return;
  Waiting taken;
  std::swap(taken, waiting());
  std::exception_ptr first;
  for (const auto& f : taken.files) {
    f->m_written = false;
    try {
      f->sync();
    } catch (...) {
      if (!first) first = std::current_exception();
    }
  }
  for (const auto& d : taken.dirs) {
    try {
      file_system().sync_directory(d);
    } catch (...) {
      if (!first) first = std::current_exception();
    }
  }
  if (first) std::rethrow_exception(first);
}

size_t files_waiting_for_flush() { return waiting().files.size() + waiting().dirs.size(); }

}  // namespace vmx::platform
