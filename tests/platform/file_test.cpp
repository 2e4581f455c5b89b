#include "platform/file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace cw::platform;

namespace {
struct TempDir {
  fs::path path;
  TempDir() {
    char tmpl[] = "/tmp/cw-platform-XXXXXX";
    path = mkdtemp(tmpl);
  }
  ~TempDir() {
    fault::disarm();
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  std::string file(const char* name) const { return (path / name).string(); }
};
}  // namespace

TEST(File, WritesAndReadsAcrossBlocksAndPastFourGiB) {
  TempDir dir;
  File f;
  ASSERT_TRUE(f.open(dir.file("big"), OpenMode::Create));
  std::vector<unsigned char> data(100000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 7);
  const std::int64_t far = (std::int64_t{5} << 30) + 3;  // past 4 GiB, sparse
  ASSERT_TRUE(f.writeAt(far, data.data(), static_cast<std::int64_t>(data.size())));
  EXPECT_EQ(f.length(), far + 100000);
  std::vector<unsigned char> back(data.size());
  ASSERT_TRUE(f.readAt(far, back.data(), static_cast<std::int64_t>(back.size())));
  EXPECT_EQ(back, data);
  EXPECT_EQ(f.tell(), far + 100000);
  // A read at the end is short, not a failure.
  EXPECT_EQ(f.read(back.data(), 10), 0);
  ASSERT_TRUE(f.truncate(far + 10));
  EXPECT_EQ(f.length(), far + 10);
}

TEST(File, CreateReplacesAndCreateNewRefusesExisting) {
  TempDir dir;
  const std::string name = dir.file("x");
  {
    File f;
    ASSERT_TRUE(f.open(name, OpenMode::Create));
    ASSERT_EQ(f.write("abc", 3), 3);
  }
  File g;
  EXPECT_FALSE(g.open(name, OpenMode::CreateNew));
  ASSERT_TRUE(g.open(name, OpenMode::Create));
  EXPECT_EQ(g.length(), 0);
}

TEST(File, ReadOnlyAttributeRoundTrips) {
  TempDir dir;
  const std::string name = dir.file("ro");
  {
    File f;
    ASSERT_TRUE(f.open(name, OpenMode::Create));
  }
  ASSERT_TRUE(setReadOnly(name, true));
  EXPECT_TRUE(isReadOnly(name));
  // Opening for writing makes the file writable when it has to.
  File f;
  EXPECT_TRUE(f.open(name, OpenMode::ReadWrite));
  ASSERT_TRUE(setReadOnly(name, false));
  EXPECT_FALSE(isReadOnly(name));
  EXPECT_TRUE(removeFile(name));
  EXPECT_FALSE(fileExists(name));
}

TEST(File, FaultHookFailsExactlyTheNthCall) {
  TempDir dir;
  File f;
  ASSERT_TRUE(f.open(dir.file("f"), OpenMode::Create));
  std::vector<char> block(3 * kMaxBlock);
  fault::failAt(2);  // the second block of this write
  EXPECT_EQ(f.write(block.data(), static_cast<std::int64_t>(block.size())), -1);
  EXPECT_EQ(fault::callsSoFar(), 2);
  // Disarmed after the count passed it: the next calls succeed.
  EXPECT_TRUE(f.writeAt(0, block.data(), 10));
  fault::failAt(1);
  File g;
  EXPECT_FALSE(g.open(dir.file("f"), OpenMode::Read));
  fault::disarm();
  EXPECT_TRUE(g.open(dir.file("f"), OpenMode::Read));
}

TEST(File, FreeSpaceIsSixtyFourBitAndAcceptsANewFileName) {
  TempDir dir;
  const std::int64_t bytes = freeSpace(dir.file("not-yet"));
  EXPECT_GT(bytes, 0);
  EXPECT_EQ(freeSpace("/no/such/folder/anywhere"), -1);
}
