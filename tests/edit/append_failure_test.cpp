// Append crop and entry crop refusing what they cannot do: each failure
// before the write phase leaves the record as it was, reports its own number
// in the 4000s (append) or 3000s (entry), clears the history and deletes the
// journals (entry only those it created itself).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "append_fixture.h"
#include "engine/common/errors.h"
#include "engine/edit/append_crop.h"
#include "engine/edit/change_steps.h"
#include "engine/edit/entry_crop.h"
#include "platform/file.h"
#include "support/corpus.h"
#include "support/temp_dir.h"

namespace cw::test {
namespace {

class JoinFailure : public JoinFixture {
 protected:
  // A record with a successful append behind it, so that journals and
  // history exist when the failing call starts.
  void prepare(const char* name, int mode) {
    ASSERT_TRUE(makeRecord(name, 1.0, 4.0, mode));
    ASSERT_EQ(append(name, 5.0, 6.0), 0) << ctx.error.message;
    ASSERT_TRUE(useCorpusSource(name));
    ctx.sourceMarkIn = 2.0;
    ctx.sourceMarkOut = 3.0;
    ctx.recordMarkEntry = 1.0;
  }
  int run(bool isEntry) { return isEntry ? EntryCrop(ctx) : AppendCrop(ctx); }
};

// Turns the audio packets of the last `seconds` of a VideoCD record (its
// audio runs at 224 kbit/s) into padding packets.
void silenceAudioTail(std::string& bytes, double seconds) {
  std::vector<std::size_t> audioPackets;
  for (std::size_t i = 0; i + 6 <= bytes.size(); ++i) {
    if (bytes.compare(i, 4, std::string("\0\0\1\xC0", 4)) == 0) audioPackets.push_back(i);
  }
  const auto silenced = static_cast<std::size_t>(seconds * 28000.0 / 2279.0) + 1;
  for (std::size_t k = audioPackets.size() - std::min(silenced, audioPackets.size());
       k < audioPackets.size(); ++k) {
    bytes[audioPackets[k] + 3] = static_cast<char>(0xBE);
  }
}

struct Refusal {
  const char* what;
  const char* record;
  int mode;
  std::function<void(JoinFixture&, OperationContext&, StreamInfo&, StreamInfo&)> spoil;
  int appendError;
  int entryError;
  bool beforeJournals;  // fails before the journals are created
};

// The ways a join is refused, each from a record made of a corpus file,
// with the error numbers of append and of entry.
const std::vector<Refusal>& refusals() {
  static const std::vector<Refusal> table = {
      {"record missing", "vcd_pal.mpg", 1,
       [](JoinFixture&, OperationContext& c, StreamInfo&, StreamInfo&) {
         platform::removeFile(c.recordFileName);
       },
       4000, 3000, true},
      {"record empty", "vcd_pal.mpg", 1,
       [](JoinFixture&, OperationContext& c, StreamInfo&, StreamInfo&) {
         writeFile(c.recordFileName, "");
       },
       4016, 3016, true},
      {"source missing", "vcd_pal.mpg", 1,
       [](JoinFixture&, OperationContext& c, StreamInfo&, StreamInfo&) {
         c.sourceFileName += ".gone";
       },
       4001, 3001, true},
      {"source is the record", "vcd_pal.mpg", 1,
       [](JoinFixture&, OperationContext& c, StreamInfo&, StreamInfo&) {
         c.sourceFileName = c.recordFileName;
       },
       4001, 3001, true},
      {"undo journal cannot be made", "vcd_pal.mpg", 1,
       [](JoinFixture&, OperationContext& c, StreamInfo&, StreamInfo&) {
         c.undoFileName += ".d/undo.boo";
       },
       4002, 3002, false},
      {"redo journal cannot be made", "vcd_pal.mpg", 1,
       [](JoinFixture&, OperationContext& c, StreamInfo&, StreamInfo&) {
         c.redoFileName += ".d/redo.boo";
       },
       4003, 3003, false},
      {"record length differs from its description", "vcd_pal.mpg", 1,
       [](JoinFixture&, OperationContext&, StreamInfo& r, StreamInfo&) { r.video.length += 1; },
       4017, 3017, false},
      {"audio record length differs", "audio_only.mpa", 0,
       [](JoinFixture&, OperationContext&, StreamInfo& r, StreamInfo&) { r.audio.length -= 1; },
       4017, 3017, false},
      {"other picture size and rate", "vcd_pal.mpg", 1,
       [](JoinFixture&, OperationContext& c, StreamInfo&, StreamInfo& s) {
         c.sourceFileName = corpusPath("vcd_ntsc.mpg");
         ASSERT_TRUE(describeSource(c.sourceFileName, s));
       },
       4005, 3005, false},
      {"other audio layer", "audio_only.mpa", 0,
       [](JoinFixture&, OperationContext& c, StreamInfo&, StreamInfo& s) {
         c.sourceFileName = corpusPath("audio_l1.mpa");
         ASSERT_TRUE(describeSource(c.sourceFileName, s));
       },
       4006, 3006, false},
      // Append refuses a record whose audio stops well before its video;
      // entry has no such limit, but finds no audio to join at the end.
      {"record audio ends 1.5 s before its video", "vcd_pal.mpg", 1,
       [](JoinFixture&, OperationContext& c, StreamInfo&, StreamInfo&) {
         std::string bytes = readFile(c.recordFileName);
         silenceAudioTail(bytes, 1.5);
         writeFile(c.recordFileName, bytes);
         c.recordMarkEntry = 1e6;
       },
       4004, 1611, false},
      {"record analysis fails on a damaged end", "vcd_pal.mpg", 1,
       [](JoinFixture&, OperationContext& c, StreamInfo& r, StreamInfo&) {
         std::string bytes = readFile(c.recordFileName);
         bytes.resize(bytes.size() / 2);  // an interrupted write: no sequence end
         writeFile(c.recordFileName, bytes);
         r.video.length = r.audio.length = static_cast<std::int64_t>(bytes.size());
       },
       1662, 1662, false},
  };
  return table;
}

TEST_F(JoinFailure, RefusalsLeaveTheRecordAsItWas) {
  for (const bool isEntry : {false, true}) {
    for (const Refusal& r : refusals()) {
      SCOPED_TRACE(std::string(isEntry ? "entry: " : "append: ") + r.what);
      for (const char* name : {r.record, "vcd_ntsc.mpg", "audio_l1.mpa"}) CW_REQUIRE_CORPUS(name);
      prepare(r.record, r.mode);
      const std::string undoBefore = undoBytes();
      r.spoil(*this, ctx, record, source);
      const bool undoExisted = platform::fileExists(ctx.undoFileName);
      const std::string before = recordBytes();
      const int expected = isEntry ? r.entryError : r.appendError;
      EXPECT_EQ(run(isEntry), expected);
      EXPECT_EQ(ctx.error.number, expected);
      EXPECT_EQ(ctx.error.message, errorMessage(expected));
      EXPECT_TRUE(recordBytes() == before);
      EXPECT_EQ(ctx.history, HistoryFlags{});
      // Entry keeps the journals of the previous change (it writes its own
      // under staged names); append deletes them.
      const bool kept = isEntry && undoExisted;
      EXPECT_EQ(platform::fileExists(ctx.undoFileName), kept);
      if (kept) {
        EXPECT_TRUE(undoBytes() == undoBefore);
      }
      EXPECT_EQ(record.video.handle, -1);
      EXPECT_EQ(source.video.handle, -1);
      ctx.undoFileName = dir.file("undoedit.boo");
      ctx.redoFileName = dir.file("redoedit.boo");
    }
  }
}

TEST_F(JoinFailure, SourceOfAnotherTypeTouchesNothing) {
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  prepare("vcd_pal.mpg", 1);
  const HistoryFlags history = ctx.history;
  const std::string undo = undoBytes();
  for (const bool isEntry : {false, true}) {
    source.fileType = -6;
    EXPECT_EQ(run(isEntry), 1002);
    EXPECT_EQ(ctx.history, history);
    EXPECT_EQ(undoBytes(), undo);
    ctx.recordMode = 7;
    source.fileType = kTypeSystem;
    EXPECT_EQ(run(isEntry), 1002);
    ctx.recordMode = 1;
  }
}

TEST(ChangeSpace, RulesOfAppendAndEntry) {
  // Append: both journals and the new bytes, plus the old tail.
  EXPECT_EQ(changeSpaceRequired(SpaceRule::Append, 1000, 50000, 40000), 2 * (1000 + 32768) + 10000);
  // Entry: a small change over a long old tail needs room for one copy of each...
  EXPECT_EQ(changeSpaceRequired(SpaceRule::Entry, 1000, 500000, 100000), (1000 + 65536) + 400000);
  // ...a large one twice its own size.
  EXPECT_EQ(changeSpaceRequired(SpaceRule::Entry, 900000, 500000, 400000), 2 * (900000 + 65536));
  // Sizes beyond 4 GiB stay exact.
  const std::int64_t big = std::int64_t{5} << 30;
  EXPECT_EQ(changeSpaceRequired(SpaceRule::Append, big, 2 * big, big), 2 * (big + 32768) + big);
}

}  // namespace
}  // namespace cw::test
