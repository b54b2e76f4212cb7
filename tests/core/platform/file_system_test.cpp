#include "core/platform/file_system.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vmx::platform
