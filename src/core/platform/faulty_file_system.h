#pragma once

#include <cerrno>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/platform/file_system.h"

namespace vmx::platform {

// The machine's file system with one planned failure, for tests: a write (the
// nth one, or one to a given file, or one that covers a given offset) or a sync
// fails with an operating-system error, as on a full disk or a failing one.
class FaultyFileSystem : public FileSystem {
 public:
  struct Fault {
    int nth_write = 0;      // 1 = the first write from now that matches; 0 = any
    std::string file = {};  // the file's name (without directory); empty = any file
    std::optional<uint64_t> offset = std::nullopt;  // a write that covers this byte; empty = any
    int error = ENOSPC;
    size_t written_first = 0;  // bytes that reach the file before the failure (a torn write)
    bool on_sync = false;      // fail the sync of a matching file instead of a write
  };

  FaultyFileSystem();
  ~FaultyFileSystem() override;

  // Arms one fault; it fires once and is then spent.
  void arm(const Fault& fault);
  bool fired() const;
  // Writes seen so far (all files), failed ones included.
  int writes() const;

  std::shared_ptr<File> open(const std::filesystem::path& path, OpenMode mode) override;
  void remove(const std::filesystem::path& path) override;
  void sync_directory(const std::filesystem::path& dir) override;

 protected:
  void do_rename(const std::filesystem::path& from, const std::filesystem::path& to) override;

 private:
  struct Plan;
  class FaultyFile;
  std::shared_ptr<Plan> m_plan;  // shared with the files, which may outlive us
};

}  // namespace vmx::platform
