#include "core/platform/file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "core/platform/durable_dialogs.h"
#include "core/platform/faulty_file_system.h"
#include "core/platform/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace vmx::platform {
namespace {

// Written files wait for one flush; a box shows only after it, and a flush
// that fails stops the success box and joins the error box.
TEST(FlushTest, BoxesWaitForWrittenFilesToReachTheDisk) {
  test::TempDir dir;
  flush_written_files();
  FaultyFileSystem faulty;
  const ScopedFileSystem use(faulty);
  ScriptedDialogs boxes;
  DurableDialogs dialogs(boxes);

  auto write = [&](const char* name) {
    file_system().open(dir / name, OpenMode::Create)->write_at("x", 1, 0);
  };
  write("a.dbf");
  write("a.dbf");  // another handle: waits too
  EXPECT_EQ(files_waiting_for_flush(), 2u);
  dialogs.inform("done");
  EXPECT_EQ(files_waiting_for_flush(), 0u);
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"done"});

  write("b.db");
  faulty.arm({.file = "b.db", .error = EIO, .on_sync = true});
  EXPECT_THROW(dialogs.inform("done again"), FileError);
  EXPECT_EQ(boxes.texts().size(), 1u);

  write("b.db");
  faulty.arm({.file = "b.db", .error = EIO, .on_sync = true});
  dialogs.error("stopped");
  ASSERT_EQ(boxes.texts().size(), 2u);
  EXPECT_NE(boxes.texts()[1].find("stopped\n"), std::string::npos);
  EXPECT_NE(boxes.texts()[1].find("b.db: cannot sync"), std::string::npos) << boxes.texts()[1];
}

// Gathered writes: reads see them at once, the file only at the end, and the
// file then holds exactly what writing each one at once would have left
// (overlapping, repeated, extending and cut writes included).
TEST(GatherTest, GatheredWritesLeaveWhatDirectWritesWould) {
  test::TempDir dir;
  std::vector<uint8_t> want(5000, 'a');
  auto file = file_system().open(dir / "g.bin", OpenMode::Create);
  file->write_at(want.data(), want.size(), 0);
  file->gather_writes();
  uint32_t seed = 7;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  for (int i = 0; i < 2000; ++i) {
    const size_t at = next(6000), size = 1 + next(i % 50 == 0 ? 3000 : 40);
    if (i % 400 == 399) {  // cut the file short now and then
      file->truncate(at);
      want.resize(at);
      continue;
    }
    const std::vector<uint8_t> bytes(size, uint8_t('b' + i % 20));
    file->write_at(bytes.data(), size, at);
    if (want.size() < at + size) want.resize(at + size, 0);
    std::copy(bytes.begin(), bytes.end(), want.begin() + ptrdiff_t(at));
    if (i % 97 == 0) {
      const size_t from = next(uint32_t(want.size())), n = 1 + next(500);
      std::vector<uint8_t> got(n);
      got.resize(file->read_at(got.data(), n, from));
      ASSERT_EQ(got,
                std::vector<uint8_t>(want.begin() + ptrdiff_t(from),
                                     want.begin() + ptrdiff_t(std::min(want.size(), from + n))))
          << "read " << i;
    }
  }
  EXPECT_TRUE(file->write_gathered());
  EXPECT_FALSE(file->gathering());
  auto again = file_system().open(dir / "g.bin", OpenMode::Read);
  std::vector<uint8_t> got(want.size() + 10);
  got.resize(again->read_at(got.data(), got.size(), 0));
  EXPECT_EQ(got, want);
}

}  // namespace
}  // namespace vmx::platform
