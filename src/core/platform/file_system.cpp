#include "core/platform/file_system.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
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

  size_t do_read_at(void* buffer, size_t size, uint64_t offset) override {
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

size_t File::read_at(void* buffer, size_t size, uint64_t offset) {
  size_t got = do_read_at(buffer, size, offset);
  if (m_gathered.empty()) return got;
  auto* out = static_cast<uint8_t*>(buffer);
  const uint64_t end = offset + size;
  // Gathered bytes beyond the file's end make it longer: what they leave
  // between reads as zeros, as in a file written there.
  const auto& [last_at, last] = *m_gathered.rbegin();
  if (last_at + last.size > offset + got) {
    const size_t upto = size_t(std::min(end, last_at + last.size) - offset);
    std::memset(out + got, 0, upto - got);
    got = upto;
  }
  auto it = m_gathered.upper_bound(offset);
  if (it != m_gathered.begin()) --it;
  for (; it != m_gathered.end() && it->first < end; ++it) {
    const uint64_t from = std::max(offset, it->first);
    const uint64_t to = std::min(end, it->first + it->second.size);
    if (from < to)
      std::memcpy(out + (from - offset), it->second.bytes + (from - it->first), size_t(to - from));
  }
  return got;
}

void File::write_at(const void* data, size_t size, uint64_t offset) {
  if (m_gathering) return gather(data, size, offset);
  note_written();  // before: a failed write may still have changed the file
  do_write_at(data, size, offset);
}

void File::truncate(uint64_t size) {
  // Gathered bytes past the new end go with the rest.
  for (auto it = m_gathered.lower_bound(size); it != m_gathered.end();) it = m_gathered.erase(it);
  if (!m_gathered.empty()) {
    auto& [at, stretch] = *m_gathered.rbegin();
    if (at + stretch.size > size) stretch.size = size_t(size - at);
  }
  note_written();
  do_truncate(size);
}

void File::gather(const void* data, size_t size, uint64_t offset) {
  if (size == 0) return;
  const auto* in = static_cast<const uint8_t*>(data);
  const uint64_t end = offset + size;
  // Past everything gathered so far (a pass writing its rows in file order):
  // nothing to look for.
  if (m_gathered.empty() ||
      m_gathered.rbegin()->first + m_gathered.rbegin()->second.size <= offset) {
    uint8_t* bytes = log_space(size);
    std::memcpy(bytes, in, size);
    m_gathered.emplace_hint(m_gathered.end(), offset, Stretch{bytes, size});
    return;
  }
  // A stretch that begins before this write, or at it, and reaches into it.
  auto it = m_gathered.upper_bound(offset);
  if (it != m_gathered.begin()) {
    auto before = std::prev(it);
    Stretch& s = before->second;
    const uint64_t before_end = before->first + s.size;
    if (before_end >= end) {  // holds the whole write (a row written again): change it in place
      std::memcpy(s.bytes + (offset - before->first), in, size);
      return;
    }
    if (before_end > offset) {
      s.size = size_t(offset - before->first);
      if (s.size == 0) m_gathered.erase(before);
    }
  }
  // Stretches that begin inside it: covered ones go, a longer one keeps its tail.
  it = m_gathered.lower_bound(offset);
  while (it != m_gathered.end() && it->first < end) {
    const uint64_t it_end = it->first + it->second.size;
    if (it_end > end) {
      const size_t cut = size_t(end - it->first);
      const Stretch tail{it->second.bytes + cut, it->second.size - cut};
      m_gathered.erase(it);
      m_gathered.emplace(end, tail);
      break;
    }
    it = m_gathered.erase(it);
  }
  uint8_t* bytes = log_space(size);
  std::memcpy(bytes, in, size);
  m_gathered.emplace(offset, Stretch{bytes, size});
}

namespace {
// A pass over a long table fills tens of megabytes of log: its pages are
// asked for in one go, which costs far less than a page fault each.
void prefault(uint8_t* p, size_t n) {
#ifdef MADV_POPULATE_WRITE
  const uintptr_t page = uintptr_t(::sysconf(_SC_PAGESIZE));
  const uintptr_t from = (uintptr_t(p) + page - 1) & ~(page - 1),
                  to = (uintptr_t(p) + n) & ~(page - 1);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
#else
  (void)p;
  (void)n;
#endif
}
}  // namespace

uint8_t* File::log_space(size_t size) {
  constexpr size_t kBlock = 4 * 1024 * 1024;
  if (size > m_log_left) {
    const size_t n = std::max(size, kBlock);
    m_log.push_back(std::make_unique_for_overwrite<uint8_t[]>(n));
    m_log_end = m_log.back().get();
    m_log_left = n;
    prefault(m_log_end, n);
  }
  uint8_t* at = m_log_end;
  m_log_end += size;
  m_log_left -= size;
  return at;
}

bool File::write_gathered() {
  m_gathering = false;
  std::map<uint64_t, Stretch> gathered;
  std::vector<std::unique_ptr<uint8_t[]>> log;
  gathered.swap(m_gathered);
  log.swap(m_log);
  m_log_left = 0;
  if (gathered.empty()) return false;
  // Stretches close to each other go out as one write: the unchanged bytes
  // between them are read first (one read for the lot) and written back as
  // they are, which costs less than a system call for each changed row.
  constexpr uint64_t kGap = 64 * 1024, kChunk = 4 * 1024 * 1024;
  struct Chunk {
    uint64_t at, end;
    bool gaps;
    std::map<uint64_t, Stretch>::const_iterator first, last;
  };
  std::vector<Chunk> chunks;
  for (auto it = gathered.cbegin(); it != gathered.cend(); ++it) {
    const uint64_t end = it->first + it->second.size;
    if (!chunks.empty() && it->first <= chunks.back().end + kGap &&
        end - chunks.back().at <= kChunk && (chunks.back().at >= m_head || it->first < m_head)) {
      Chunk& c = chunks.back();
      c.gaps |= it->first > c.end;
      c.end = end;
      c.last = std::next(it);
    } else {
      chunks.push_back(Chunk{it->first, end, false, it, std::next(it)});
    }
  }
  std::vector<uint8_t> buffer;
  for (auto c = chunks.rbegin(); c != chunks.rend(); ++c) {
    buffer.assign(size_t(c->end - c->at), 0);
    if (c->gaps) do_read_at(buffer.data(), buffer.size(), c->at);
    for (auto it = c->first; it != c->last; ++it)
      std::memcpy(buffer.data() + (it->first - c->at), it->second.bytes, it->second.size);
    write_at(buffer.data(), buffer.size(), c->at);
  }
  return true;
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
