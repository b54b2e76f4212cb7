#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace vmx::platform {

// A file operation that failed: which file, what was being done ("write",
// "sync", ...) and the operating system's error number.
class FileError : public std::runtime_error {
 public:
  FileError(std::filesystem::path path, std::string action, int os_error);
  const std::filesystem::path& path() const { return m_path; }
  const std::string& action() const { return m_action; }
  int os_error() const { return m_os_error; }

 private:
  std::filesystem::path m_path;
  std::string m_action;
  int m_os_error;
};

// What tells whether a file changed since it was last looked at: the same
// file (device and inode), its size and its modification time.
struct FileStamp {
  uint64_t device = 0, inode = 0, size = 0;
  int64_t mtime_ns = 0;
  bool operator==(const FileStamp&) const = default;
};

// One open file. Reads and writes name their offset; nothing is buffered
// here (outside a gathering, below), so a write that returns is in the
// operating system's hands. A write marks the file as written:
// flush_written_files() makes it durable later.
class File : public std::enable_shared_from_this<File> {
 public:
  explicit File(std::filesystem::path path) : m_path(std::move(path)) {}
  virtual ~File() = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  const std::filesystem::path& path() const { return m_path; }

  // Reads up to `size` bytes at `offset`; fewer only where the file ends.
  size_t read_at(void* buffer, size_t size, uint64_t offset);
  // Writes all `size` bytes at `offset` or throws FileError (some of the
  // bytes may have reached the file then).
  void write_at(const void* data, size_t size, uint64_t offset);
  void truncate(uint64_t size);
  // Forces what was written to the disk (fdatasync) now.
  virtual void sync() = 0;
  virtual FileStamp stamp() = 0;
  // After a write under an exclusive lock: when the write left the file's
  // stamp as `before` was (a coarse file-system clock ticking slower than we
  // write), moves the modification time on by a nanosecond, so another
  // process comparing stamps always sees the change. Returns the stamp now.
  virtual FileStamp advance_stamp(const FileStamp& before) = 0;
  // An advisory lock between processes (flock): shared for reading,
  // exclusive for writing; waits for other processes' locks.
  virtual void lock(bool exclusive) = 0;
  virtual void unlock() = 0;

  // A long pass of changes (one row after another of a large table) need not
  // cost a system call a row: between gather_writes() and write_gathered()
  // the writes stay here, reads see them as if they had been made, and they
  // reach the file together, each stretch of adjacent bytes in one write.
  // The caller holds the exclusive lock meanwhile, so nobody else reads the
  // file in between.
  // Bytes below `head` are the file's header: they go out last, in a write
  // of their own, so that a write torn on the way never leaves a header that
  // counts what is not there yet.
  void gather_writes(uint64_t head = 0) {
    m_gathering = true;
    m_head = head;
  }
  bool gathering() const { return m_gathering; }
  // Ends the gathering: writes what was gathered, the stretch at the highest
  // offset first, the header last. Returns whether anything was
  // written. Throws FileError on failure; what was not written then is
  // dropped (the caller reads the file again).
  bool write_gathered();

 protected:
  virtual size_t do_read_at(void* buffer, size_t size, uint64_t offset) = 0;
  virtual void do_write_at(const void* data, size_t size, uint64_t offset) = 0;
  virtual void do_truncate(uint64_t size) = 0;

 private:
  void note_written();
  void gather(const void* data, size_t size, uint64_t offset);
  std::filesystem::path m_path;
  bool m_written = false;  // written since the last flush
  bool m_gathering = false;
  uint64_t m_head = 0;
  // What was gathered: stretches of the file by offset, never overlapping,
  // their bytes kept one after another in the blocks of m_log (which never
  // move, unlike one growing buffer).
  struct Stretch {
    uint8_t* bytes = nullptr;
    size_t size = 0;
  };
  uint8_t* log_space(size_t size);
  std::map<uint64_t, Stretch> m_gathered;
  std::vector<std::unique_ptr<uint8_t[]>> m_log;
  uint8_t* m_log_end = nullptr;  // the first unused byte of the last block
  size_t m_log_left = 0;         // and how many follow it
  friend void flush_written_files();
  friend class FaultyFileSystem;  // its files write through a real one
};

enum class OpenMode {
  Read,       // an existing file, for reading
  ReadWrite,  // an existing file, for reading and writing
  Create,     // a new empty file for writing, replacing one of that name
};

// The file operations the table engine uses. The machine's own is the
// default; tests put in one that fails on purpose.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Throws FileError (action "open") when the file cannot be opened.
  virtual std::shared_ptr<File> open(const std::filesystem::path& path, OpenMode mode) = 0;
  // Replaces `to` by `from` in one step; the directory is then flushed with
  // the written files.
  void rename(const std::filesystem::path& from, const std::filesystem::path& to);
  // Removes a file; a missing file is no error.
  virtual void remove(const std::filesystem::path& path) = 0;
  // Forces a directory's entries (names created, renamed, removed) to disk.
  virtual void sync_directory(const std::filesystem::path& dir) = 0;

 protected:
  virtual void do_rename(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
};

// The file system in use: the machine's, unless a ScopedFileSystem put
// another in its place.
FileSystem& file_system();
FileSystem& posix_file_system();

class ScopedFileSystem {
 public:
  explicit ScopedFileSystem(FileSystem& fs);
  ~ScopedFileSystem();
  ScopedFileSystem(const ScopedFileSystem&) = delete;
  ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;

 private:
  FileSystem* m_previous;
};

// Makes every file written since the last call durable (fdatasync each one,
// and fsync the directories in which files were renamed), then forgets them.
// Called once when an operation ends, not after every row. Throws FileError
// for the first file that could not be synced (after trying them all).
void flush_written_files();
// How many files wait for the next flush.
size_t files_waiting_for_flush();

}  // namespace vmx::platform
