// A change far beyond 4 GiB: the join offset, the old tail and the final cut
// of a record that became shorter are all 64-bit. The record is a sparse
// file; a stand-in writer delivers the new bytes, so only the change's own
// steps run.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/edit/change_steps.h"
#include "engine/edit/es_writer.h"
#include "engine/edit/journal_replay.h"
#include "platform/file.h"
#include "support/temp_dir.h"

namespace cw::test {
namespace {

constexpr std::int64_t kGiB = std::int64_t{1} << 30;

TEST(EntryLargeRecord, ShorterRecordIsCutAtItsSixtyFourBitLength) {
  TempDir dir("cw-large");
  const std::int64_t oldLength = 5 * kGiB + 1000;
  const std::int64_t joinOffset = 5 * kGiB + 100;
  const std::string tail(900, 'o');
  const std::string newBytes = "0123456789";

  OperationContext ctx;
  ctx.recordFileName = dir.file("record.mpa");
  ctx.sourceFileName = dir.file("source.mpa");
  ctx.undoFileName = dir.file("undo.boo");
  ctx.redoFileName = dir.file("redo.boo");
  ASSERT_TRUE(writeFile(ctx.sourceFileName, "source"));
  {
    platform::File f;
    ASSERT_TRUE(f.open(ctx.recordFileName, platform::OpenMode::Create));
    ASSERT_TRUE(f.truncate(oldLength));
    ASSERT_TRUE(f.writeAt(joinOffset, tail.data(), static_cast<std::int64_t>(tail.size())));
  }
  StreamInfo record;
  record.fileType = kTypeAudioOnly;
  record.fileLength = static_cast<double>(oldLength);
  record.audio.length = oldLength;
  ctx.record = &record;

  const ChangePlanner planner = [&](OperationContext&, const ChangeProfile&, ChangeFiles&,
                                    ChangePlan& plan) {
    plan.joinOffset = joinOffset;
    plan.estimate = static_cast<std::int64_t>(newBytes.size());
    plan.systemStream = false;
    plan.start = [&](MuxState& m) {
      EsBuffer& es = m.audio.es;
      es.bytes.assign(newBytes.begin(), newBytes.end());
      es.fill = newBytes.size();
      es.endOfData = true;
      prepareEsWriter(m, false, [] { return 0; });
      return 0;
    };
    return 0;
  };
  ASSERT_EQ(runChange(ctx, kEntryProfile, RecordContent::AudioOnly, planner), 0)
      << ctx.error.message;

  const std::int64_t newLength = joinOffset + static_cast<std::int64_t>(newBytes.size());
  EXPECT_EQ(platform::fileSize(ctx.recordFileName), newLength);
  EXPECT_EQ(record.fileLength, static_cast<double>(newLength));
  EXPECT_EQ(record.audio.length, newLength);
  std::string written(newBytes.size(), '\0');
  {
    platform::File f;
    ASSERT_TRUE(f.open(ctx.recordFileName, platform::OpenMode::Read));
    ASSERT_TRUE(f.readAt(joinOffset, written.data(), static_cast<std::int64_t>(written.size())));
  }
  EXPECT_EQ(written, newBytes);
  EXPECT_EQ(platform::fileSize(ctx.undoFileName), 8 + static_cast<std::int64_t>(tail.size()));

  // Undo lengthens the record to its old length again.
  ASSERT_EQ(Undo(ctx), 0) << ctx.error.message;
  EXPECT_EQ(platform::fileSize(ctx.recordFileName), oldLength);
  std::string restored(tail.size(), '\0');
  platform::File f;
  ASSERT_TRUE(f.open(ctx.recordFileName, platform::OpenMode::Read));
  ASSERT_TRUE(f.readAt(joinOffset, restored.data(), static_cast<std::int64_t>(restored.size())));
  EXPECT_EQ(restored, tail);
}

}  // namespace
}  // namespace cw::test
