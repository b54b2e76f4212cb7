#include "core/platform/faulty_file_system.h"

#include <algorithm>

namespace vmx::platform {

struct FaultyFileSystem::Plan {
  std::optional<Fault> fault;
  int seen = 0;  // matching writes since the fault was armed
  int writes = 0;
  bool fired = false;

  // True when this write (or sync) is the one planned to fail.
  bool hits(const std::filesystem::path& path, size_t size, uint64_t offset, bool sync) {
    if (!fault || fault->on_sync != sync) return false;
    if (!fault->file.empty() && path.filename().string() != fault->file) return false;
    if (fault->offset && !(*fault->offset >= offset && *fault->offset < offset + size))
      return false;
    if (fault->nth_write > 0 && ++seen < fault->nth_write) return false;
    fired = true;
    return true;
  }
};

class FaultyFileSystem::FaultyFile final : public File {
 public:
  FaultyFile(std::shared_ptr<File> real, std::shared_ptr<Plan> plan)
      : File(real->path()), m_real(std::move(real)), m_plan(std::move(plan)) {}

  size_t do_read_at(void* buffer, size_t size, uint64_t offset) override {
    return m_real->read_at(buffer, size, offset);
  }
  void sync() override {
    if (m_plan->hits(path(), 0, 0, true)) {
      const int err = m_plan->fault->error;
      m_plan->fault.reset();
      throw FileError(path(), "sync", err);
    }
    m_real->sync();
  }
  FileStamp stamp() override { return m_real->stamp(); }
  FileStamp advance_stamp(const FileStamp& before) override {
    return m_real->advance_stamp(before);
  }
  void lock(bool exclusive) override { m_real->lock(exclusive); }
  void unlock() override { m_real->unlock(); }

 protected:
  void do_write_at(const void* data, size_t size, uint64_t offset) override {
    ++m_plan->writes;
    if (m_plan->hits(path(), size, offset, false)) {
      const Fault f = *m_plan->fault;
      m_plan->fault.reset();
      if (f.written_first > 0) m_real->do_write_at(data, std::min(size, f.written_first), offset);
      throw FileError(path(), "write", f.error);
    }
    m_real->do_write_at(data, size, offset);
  }
  void do_truncate(uint64_t size) override { m_real->do_truncate(size); }

 private:
  std::shared_ptr<File> m_real;
  std::shared_ptr<Plan> m_plan;
};

FaultyFileSystem::FaultyFileSystem() : m_plan(std::make_shared<Plan>()) {}
FaultyFileSystem::~FaultyFileSystem() { m_plan->fault.reset(); }

void FaultyFileSystem::arm(const Fault& fault) {
  m_plan->fault = fault;
  m_plan->seen = 0;
  m_plan->fired = false;
}

bool FaultyFileSystem::fired() const { return m_plan->fired; }
int FaultyFileSystem::writes() const { return m_plan->writes; }

std::shared_ptr<File> FaultyFileSystem::open(const std::filesystem::path& path, OpenMode mode) {
  return std::make_shared<FaultyFile>(posix_file_system().open(path, mode), m_plan);
}

void FaultyFileSystem::remove(const std::filesystem::path& path) {
  posix_file_system().remove(path);
}

void FaultyFileSystem::sync_directory(const std::filesystem::path& dir) {
  posix_file_system().sync_directory(dir);
}

void FaultyFileSystem::do_rename(const std::filesystem::path& from,
                                 const std::filesystem::path& to) {
  posix_file_system().rename(from, to);
}

}  // namespace vmx::platform
