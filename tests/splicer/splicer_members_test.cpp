// The Splicer control's automation surface: every member by name and by
// dispatch id, defaults and access rules, the modified mark, persistence,
// and the refusals that happen before any file is touched.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "automation/property_bag.h"
#include "engine/common/errors.h"
#include "engine/splicer/splicer.h"
#include "platform/file.h"
#include "support/temp_dir.h"

namespace cw {
namespace {

using automation::Args;
using automation::Status;
using automation::Variant;
using automation::VariantType;

// Every member of the control with its dispatch id.
const std::vector<std::pair<const char*, int>> kMembers = {
    {"RecordFileName", 1},
    {"SourceFileName", 2},
    {"SourceMarkIn", 3},
    {"SourceMarkOut", 4},
    {"RecordMarkEntry", 5},
    {"RecordMode", 6},
    {"ErrorMes", 7},
    {"ErrorMesNumber", 8},
    {"UndoEnabled", 9},
    {"SpaceRequired", 10},
    {"SpaceAvailable", 11},
    {"SrcInfoHand", 12},
    {"RecInfoHand", 13},
    {"UndoFileName", 14},
    {"RedoFileName", 15},
    {"RedoEnabled", 16},
    {"RemoveDeadBpic", 17},
    {"Crop", 18},
    {"Undo", 19},
    {"Redo", 20},
    {"AppendCrop", 21},
    {"EntryCrop", 22},
    {"GenerateUniqueName", 23},
    {"VideoCompat", 24},
    {"AudioCompat", 25},
    {"Cancel", 26},
    {"SetSeqMode", 27},
    {"SeqCrop", 28},
    {"SeqAppendCrop", 29},
    {"ExactCut", 30},
};

// Runs the body in `dir` as the current directory.
class InDirectory {
 public:
  explicit InDirectory(const std::filesystem::path& dir)
      : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~InDirectory() { std::filesystem::current_path(previous_); }

 private:
  std::filesystem::path previous_;
};

// Counts the events of a control.
struct EventLog {
  explicit EventLog(Splicer& s) {
    s.events().connectAny(
        [this](const automation::EventDef& e, Args&) { names.push_back(e.name); });
  }
  std::vector<std::string> names;
};

TEST(SplicerMembers, ExactCutIsOffUntilSetAndReadsBack) {
  Splicer s;
  Variant v;
  ASSERT_TRUE(s.getProperty("ExactCut", v).ok());
  EXPECT_FALSE(v.asBool());
  ASSERT_TRUE(s.setProperty("ExactCut", Variant::fromBool(true)).ok());
  EXPECT_TRUE(s.exactCut());
  ASSERT_TRUE(s.getProperty(30, v).ok());
  EXPECT_TRUE(v.asBool());
  // No record is exact before one has been made.
  EXPECT_FALSE(s.lastRecordExact());
}

TEST(SplicerMembers, EveryMemberIsReachableByNameAndById) {
  Splicer s;
  for (const auto& [name, id] : kMembers) EXPECT_EQ(s.idOf(name), id) << name;
  EXPECT_EQ(s.properties().size() + s.methods().size(), kMembers.size());

  Variant v;
  ASSERT_TRUE(s.setProperty("recordfilename", Variant("a.mpg")).ok());  // case is ignored
  ASSERT_TRUE(s.getProperty(1, v).ok());
  EXPECT_EQ(v.asString(), "a.mpg");
  ASSERT_TRUE(s.setProperty(4, Variant(12.5)).ok());
  EXPECT_EQ(s.sourceMarkOut(), 12.5);

  // Methods by id: SetSeqMode, Cancel and GenerateUniqueName need no files.
  Variant result;
  EXPECT_TRUE(s.invoke(27, {}, result).ok());
  EXPECT_TRUE(s.invoke(26, {}, result).ok());
  EXPECT_EQ(s.invoke("SeqCrop", {}, result).code, automation::kWrongArgCount);

  const auto& events = s.events().events();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].name, "Done");
  EXPECT_EQ(events[1].name, "Err");
  EXPECT_EQ(events[2].name, "Progress");
  EXPECT_EQ(events[2].id, 3);
  EXPECT_EQ(events[2].params.size(), 2u);
}

TEST(SplicerMembers, DefaultsOfAFreshControl) {
  Splicer s;
  EXPECT_EQ(s.recordFileName(), "record.mpg");
  EXPECT_EQ(s.sourceFileName(), "source.mpg");
  EXPECT_EQ(s.undoFileName(), "undoedit.boo");
  EXPECT_EQ(s.redoFileName(), "redoedit.boo");
  EXPECT_EQ(s.recordMode(), 0);
  EXPECT_TRUE(s.removeDeadBpic());
  EXPECT_FALSE(s.undoEnabled());
  EXPECT_FALSE(s.redoEnabled());
  EXPECT_EQ(s.errorMesNumber(), 0);
  EXPECT_TRUE(s.sequence().atStart);
  EXPECT_FALSE(s.isModified());
  Variant v;
  ASSERT_TRUE(s.getProperty("UndoEnabled", v).ok());
  EXPECT_EQ(v.type(), VariantType::Bool);
  EXPECT_EQ(v.asInt16(), 0);
}

TEST(SplicerMembers, AccessRulesAndTheModifiedMark) {
  Splicer s;
  // Equal values change nothing; different ones mark the control.
  ASSERT_TRUE(s.setProperty("RecordFileName", Variant("record.mpg")).ok());
  ASSERT_TRUE(s.setProperty("SourceMarkIn", Variant(0.0)).ok());
  ASSERT_TRUE(s.setProperty("RecordMode", Variant(std::int16_t{0})).ok());
  EXPECT_FALSE(s.isModified());
  ASSERT_TRUE(s.setProperty("RecordMode", Variant(std::int16_t{3})).ok());
  EXPECT_TRUE(s.isModified());

  // The error pair, the handles and RemoveDeadBpic mark on every write.
  for (const char* name : {"ErrorMes", "ErrorMesNumber", "SrcInfoHand", "RecInfoHand"}) {
    s.setModified(false);
    Variant current;
    ASSERT_TRUE(s.getProperty(name, current).ok());
    ASSERT_TRUE(s.setProperty(name, current).ok()) << name;
    EXPECT_TRUE(s.isModified()) << name;
  }

  EXPECT_EQ(s.setProperty("UndoEnabled", Variant::fromBool(true)).code, automation::kReadOnly);
  EXPECT_EQ(s.setProperty("RedoEnabled", Variant::fromBool(true)).code, automation::kReadOnly);

  // SpaceRequired takes writes without keeping them; SpaceAvailable measures.
  ASSERT_TRUE(s.setProperty("SpaceRequired", Variant(123.0)).ok());
  EXPECT_EQ(s.spaceRequired(), 0.0);
  ASSERT_TRUE(s.setProperty("SpaceAvailable", Variant(1.0)).ok());
  Variant space;
  ASSERT_TRUE(s.getProperty("SpaceAvailable", space).ok());
  const std::int64_t free = platform::freeSpace(".");
  EXPECT_GT(space.asDouble(), 0.0);
  EXPECT_LE(space.asDouble(), static_cast<double>(free) + 64.0 * 1048576);
  EXPECT_EQ(std::fmod(space.asDouble(), 1048576.0), 0.0);

  // Only true, or the number 1, switches the removal of dead B-pictures on.
  ASSERT_TRUE(s.setProperty("RemoveDeadBpic", Variant(std::int16_t{2})).ok());
  EXPECT_FALSE(s.removeDeadBpic());
  ASSERT_TRUE(s.setProperty("RemoveDeadBpic", Variant(std::int16_t{1})).ok());
  EXPECT_TRUE(s.removeDeadBpic());
  ASSERT_TRUE(s.setProperty("RemoveDeadBpic", Variant::fromBool(false)).ok());
  EXPECT_FALSE(s.removeDeadBpic());
  ASSERT_TRUE(s.setProperty("RemoveDeadBpic", Variant::fromBool(true)).ok());
  EXPECT_TRUE(s.removeDeadBpic());
}

TEST(SplicerMembers, PersistedPropertiesRoundTripThroughTheBag) {
  test::TempDir dir("cw-splicer-bag");
  Splicer a;
  a.setRecordFileName("project file.mpg");
  a.setSourceFileName("clip\tone.mpg");
  a.setSourceMarkIn(1.25);
  a.setSourceMarkOut(7.0 / 3.0);
  a.setRecordMarkEntry(4.5);
  a.setRecordMode(2);
  a.setUndoFileName("/tmp/u.boo");
  a.setRedoFileName("/tmp/r.boo");
  a.setErrorMes("not persisted");
  a.setRemoveDeadBpic(false);
  automation::PropertyBag bag;
  a.writeProperties(bag);
  EXPECT_EQ(bag.read(Splicer::kVersionKey).asInt32(), 0x00010000);
  EXPECT_FALSE(bag.contains("ErrorMes"));
  EXPECT_FALSE(bag.contains("RemoveDeadBpic"));
  const std::string path = dir.file("splicer.bag");
  ASSERT_TRUE(bag.save(path).ok());

  automation::PropertyBag loaded;
  ASSERT_TRUE(loaded.load(path).ok());
  Splicer b;
  b.setModified();
  b.readProperties(loaded);
  EXPECT_FALSE(b.isModified());
  EXPECT_EQ(b.recordFileName(), a.recordFileName());
  EXPECT_EQ(b.sourceFileName(), a.sourceFileName());
  EXPECT_EQ(b.sourceMarkIn(), a.sourceMarkIn());
  EXPECT_EQ(b.sourceMarkOut(), a.sourceMarkOut());
  EXPECT_EQ(b.recordMarkEntry(), a.recordMarkEntry());
  EXPECT_EQ(b.recordMode(), 2);
  EXPECT_EQ(b.undoFileName(), "/tmp/u.boo");
  EXPECT_EQ(b.redoFileName(), "/tmp/r.boo");
  EXPECT_EQ(b.errorMes(), "");      // not persisted: default
  EXPECT_TRUE(b.removeDeadBpic());  // not persisted: default

  // An empty bag gives the defaults back.
  b.readProperties(automation::PropertyBag());
  EXPECT_EQ(b.recordFileName(), "record.mpg");
  EXPECT_EQ(b.redoFileName(), "redoedit.boo");
}

TEST(SplicerMembers, GenerateUniqueNameSkipsExistingFilesAndLeavesNothing) {
  test::TempDir dir("cw-splicer-name");
  InDirectory here(dir.path());
  ASSERT_TRUE(test::writeFile("tm000001", "x"));
  Splicer s;
  Variant name;
  ASSERT_TRUE(s.invoke("GenerateUniqueName", {}, name).ok());
  EXPECT_EQ(name.asString(), "tm000002");
  EXPECT_FALSE(platform::fileExists("tm000002"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(SplicerMembers, GenerateUniqueNameIsEmptyWhenNoNameCanBeMade) {
  // A current directory that has been removed takes no new file at all.
  test::TempDir dir("cw-splicer-name");
  const std::filesystem::path gone = dir.path() / "gone";
  std::filesystem::create_directory(gone);
  InDirectory here(gone);
  std::filesystem::remove(gone);
  Splicer s;
  EXPECT_EQ(s.GenerateUniqueName(), "");
}

// Stream information records registered for one test.
struct Registered {
  Registered() : handle(registerStreamInfo(&info)) {}
  ~Registered() { unregisterStreamInfo(handle); }
  StreamInfo info;
  std::int32_t handle;
};

TEST(SplicerMembers, UnknownAndStaleHandlesFailCleanly) {
  test::TempDir dir("cw-splicer-handles");
  Splicer s;
  EventLog log(s);
  s.setRecordFileName(dir.file("record.mpg"));
  s.setSrcInfoHand(987654321);
  s.setRecInfoHand(-5);
  EXPECT_EQ(s.Crop(), -1);
  EXPECT_EQ(s.AppendCrop(), -1);
  EXPECT_EQ(s.EntryCrop(), -1);
  EXPECT_EQ(s.SeqCrop(true), -1);
  EXPECT_EQ(s.SeqAppendCrop(true), -1);
  EXPECT_EQ(s.Undo(), -1);
  EXPECT_EQ(s.Redo(), -1);
  EXPECT_EQ(s.errorMesNumber(), kErrWrongType);
  EXPECT_EQ(s.errorMes(), errorMessage(kErrWrongType));
  EXPECT_FALSE(s.VideoCompat());
  EXPECT_FALSE(s.AudioCompat());
  EXPECT_EQ(log.names, std::vector<std::string>(7, "Err"));

  std::int32_t stale = 0;
  {
    Registered gone;
    stale = gone.handle;
  }
  Registered record;
  s.setSrcInfoHand(stale);
  s.setRecInfoHand(record.handle);
  EXPECT_EQ(s.Crop(), -1);
  EXPECT_FALSE(platform::fileExists(dir.file("record.mpg")));
}

TEST(SplicerMembers, SourceTypesDecideWhatRuns) {
  test::TempDir dir("cw-splicer-types");
  Registered source, record;
  Splicer s;
  EventLog log(s);
  s.setSrcInfoHand(source.handle);
  s.setRecInfoHand(record.handle);
  s.setRecordFileName(dir.file("record.mpg"));

  // A file that is not editable never reaches a worker.
  source.info.fileType = -5;
  EXPECT_EQ(s.Crop(), -1);
  EXPECT_EQ(s.errorMesNumber(), kErrWrongType);
  EXPECT_FALSE(platform::fileExists(dir.file("record.mpg")));

  // Sequence calls on an audio stream do nothing and succeed.
  source.info.fileType = kTypeAudioOnly;
  log.names.clear();
  EXPECT_EQ(s.SeqCrop(false), 0);
  EXPECT_EQ(s.SeqAppendCrop(true), 0);
  EXPECT_EQ(s.errorMesNumber(), 0);
  EXPECT_EQ(log.names, (std::vector<std::string>{"Done", "Done"}));
  EXPECT_FALSE(platform::fileExists(dir.file("record.mpg")));
  EXPECT_TRUE(s.sequence().atStart);

  // Undo without history: 2000, and ErrorMesNumber keeps it.
  EXPECT_EQ(s.Undo(), -1);
  EXPECT_EQ(s.errorMesNumber(), 2000);
  EXPECT_EQ(s.Redo(), -1);
  EXPECT_EQ(s.errorMesNumber(), 2100);
}

TEST(SplicerMembers, CompatibilityComparesTheStoredHeaders) {
  Registered source, record;
  Splicer s;
  s.setSrcInfoHand(source.handle);
  s.setRecInfoHand(record.handle);
  const std::uint8_t sequence[12] = {0x00, 0x00, 0x01, 0xB3, 0x16, 0x00,
                                     0xF0, 0x14, 0x02, 0xCE, 0xE0, 0xA0};
  const std::uint8_t audio[4] = {0xFF, 0xFD, 0xA4, 0x04};
  for (StreamInfo* info : {&source.info, &record.info}) {
    std::copy(std::begin(sequence), std::end(sequence), info->video.header);
    std::copy(std::begin(audio), std::end(audio), info->audio.header);
  }
  EXPECT_TRUE(s.VideoCompat());
  EXPECT_TRUE(s.AudioCompat());
  source.info.video.header[7] = 0x13;  // 25 pictures a second instead of 29.97
  source.info.audio.header[2] = 0xA8;  // another sampling rate
  EXPECT_FALSE(s.VideoCompat());
  EXPECT_FALSE(s.AudioCompat());
  Variant result;
  ASSERT_TRUE(s.invoke(24, {}, result).ok());
  EXPECT_EQ(result.type(), VariantType::Bool);
  EXPECT_FALSE(result.asBool());
}

}  // namespace
}  // namespace cw
