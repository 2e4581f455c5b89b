// The Recorder Mode and VideoCD Mode menus as the mode commands, a first
// record and the Close buttons of the player and the recorder leave them.
#include <QFile>
#include <set>

#include "record_fixture.h"
#include "support/corpus.h"

namespace cw::app::testing {

namespace {

const char* const kModeItems[] = {"mnuRecModeMPEGSystem", "mnuRecModeVideo", "mnuRecModeAudio",
                                  "mnuVideoCDNone",       "mnuVideoCDVCD",   "mnuVideoCDVCD20"};

using Names = std::set<std::string>;

}  // namespace

class RecordModes : public RecordFixture {
 protected:
  Names enabledItems() {
    Names names;
    for (const char* name : kModeItems)
      if (enabled(name)) names.insert(name);
    return names;
  }
  Names checkedItems() {
    Names names;
    for (const char* name : kModeItems)
      if (checked(name)) names.insert(name);
    return names;
  }
  int recordMode() { return session().splicer->recordMode(); }
  QString recorderCaption() { return form().recorderWindow()->windowTitle(); }
};

TEST_F(RecordModes, EachModeCommandOnASystemClip) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  startEditor();
  EXPECT_EQ(enabledItems(), Names{});  // nothing to record yet
  dropOnPlayer(openClips({corpus("vcd_ntsc.mpg")}));
  ASSERT_TRUE(session().clips[0].vcdCompatible);
  const Names all(std::begin(kModeItems), std::end(kModeItems));
  EXPECT_EQ(enabledItems(), all);
  EXPECT_EQ(checkedItems(), (Names{"mnuRecModeMPEGSystem", "mnuVideoCDNone"}));
  EXPECT_EQ(recorderCaption(), "Recorder Mode: MPEG System");

  struct Step {
    const char* command;
    int mode;
    const char* caption;
    Names enabled;
    Names checked;
  };
  const Names systemOnly{"mnuRecModeMPEGSystem", "mnuVideoCDNone", "mnuVideoCDVCD",
                         "mnuVideoCDVCD20"};
  const Names noVcd{"mnuRecModeMPEGSystem", "mnuRecModeVideo", "mnuRecModeAudio", "mnuVideoCDNone"};
  const Step steps[] = {
      {"mnuVideoCDVCD", 1, "VideoCD", systemOnly, {"mnuRecModeMPEGSystem", "mnuVideoCDVCD"}},
      {"mnuVideoCDVCD20",
       2,
       "VideoCD (Zeroes)",
       systemOnly,
       {"mnuRecModeMPEGSystem", "mnuVideoCDVCD20"}},
      {"mnuVideoCDNone", 0, "MPEG System", all, {"mnuRecModeMPEGSystem", "mnuVideoCDNone"}},
      {"mnuRecModeVideo", 3, "Video Only", noVcd, {"mnuRecModeVideo", "mnuVideoCDNone"}},
      {"mnuRecModeAudio", 4, "Audio Only", noVcd, {"mnuRecModeAudio", "mnuVideoCDNone"}},
      {"mnuVideoCDNone", 4, "Audio Only", noVcd, {"mnuRecModeAudio", "mnuVideoCDNone"}},
      {"mnuRecModeMPEGSystem", 0, "MPEG System", all, {"mnuRecModeMPEGSystem", "mnuVideoCDNone"}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.command);
    session().redoArmed = true;
    const bool changes = recordMode() != step.mode;
    trigger(step.command);
    EXPECT_EQ(recordMode(), step.mode);
    EXPECT_EQ(recorderCaption(), QStringLiteral("Recorder Mode: ") + step.caption);
    EXPECT_EQ(enabledItems(), step.enabled);
    EXPECT_EQ(checkedItems(), step.checked);
    EXPECT_EQ(session().redoArmed, !changes);  // only a new mode forgets the redo
  }
}

TEST_F(RecordModes, AudioOnlyRecordLocksTheMenusAndEjectsResetThem) {
  CW_REQUIRE_CORPUS("audio_only.mpa");
  startEditor();
  const int clip = openClips({corpus("audio_only.mpa")});
  dropOnPlayer(clip);
  EXPECT_EQ(enabledItems(), (Names{"mnuRecModeAudio", "mnuVideoCDNone"}));
  EXPECT_EQ(checkedItems(), (Names{"mnuRecModeAudio", "mnuVideoCDNone"}));
  EXPECT_EQ(recordMode(), 4);
  EXPECT_EQ(recorderCaption(), "Recorder Mode: Audio Only");

  pressRecord();
  ASSERT_NE(recorderPane().mode(), 0);
  EXPECT_EQ(recorderCaption(), "Recorder: NEW MOVIE (Audio Only)");
  EXPECT_TRUE(recorderPane().audioOnly());
  EXPECT_TRUE(project().endsWith(".mpa")) << project().toStdString();
  EXPECT_EQ(enabledItems(), (Names{"mnuRecModeAudio", "mnuVideoCDNone"}));
  EXPECT_EQ(checkedItems(), (Names{"mnuRecModeAudio", "mnuVideoCDNone"}));
  expectCleanDecode(project());

  // The player's Close button leaves a project's mode alone.
  eject(playerPane());
  EXPECT_EQ(form().playerWindow()->windowTitle(), "Player");
  EXPECT_FALSE(enabled("menuRecord"));
  EXPECT_EQ(checkedItems(), (Names{"mnuRecModeAudio", "mnuVideoCDNone"}));
  EXPECT_EQ(session().currentClip, -1);

  // The recorder's Close button with an empty player: everything off.
  const QString movie = project();
  eject(recorderPane());
  EXPECT_EQ(recorderPane().mode(), 0);
  EXPECT_FALSE(QFile::exists(movie));
  EXPECT_EQ(enabledItems(), Names{});
  EXPECT_EQ(checkedItems(), Names{});
  EXPECT_EQ(recordMode(), 0);
  EXPECT_EQ(recorderCaption(), "Recorder");
  EXPECT_FALSE(enabled("menuSaveAs"));
  EXPECT_FALSE(enabled("mnuEditUndo"));
}

TEST_F(RecordModes, EjectingOneWindowWhileTheOtherHoldsAClip) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  startEditor();
  dropOnPlayer(openClips({corpus("vcd_ntsc.mpg")}));
  trigger("mnuRecModeVideo");
  pressRecord();
  ASSERT_NE(recorderPane().mode(), 0);
  EXPECT_EQ(recorderCaption(), "Recorder: NEW MOVIE (Video Only) - Exact Cut");
  EXPECT_EQ(enabledItems(), (Names{"mnuRecModeVideo", "mnuVideoCDNone"}));

  // Closing the movie with a clip in the player: the clip sets the menus again.
  eject(recorderPane());
  EXPECT_EQ(recordMode(), 3);
  EXPECT_EQ(recorderCaption(), "Recorder Mode: Video Only");
  EXPECT_EQ(checkedItems(), (Names{"mnuRecModeVideo", "mnuVideoCDNone"}));
  EXPECT_EQ(enabledItems(), (Names{"mnuRecModeMPEGSystem", "mnuRecModeVideo", "mnuRecModeAudio",
                                   "mnuVideoCDNone"}));

  // Closing the player's clip with an empty recorder: all six off.
  eject(playerPane());
  EXPECT_EQ(enabledItems(), Names{});
  EXPECT_EQ(checkedItems(), Names{});
  EXPECT_EQ(recordMode(), 0);
}

// MPEG System enables the VideoCD items while the recorder is empty; with a
// movie recorded it must not, or a VideoCD record would join the movie.
TEST_F(RecordModes, ModeCommandsKeepARecordedProjectsModeLocked) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  startEditor();
  dropOnPlayer(openClips({corpus("vcd_ntsc.mpg")}));
  pressRecord();
  ASSERT_NE(recorderPane().mode(), 0);
  const Names locked{"mnuRecModeMPEGSystem", "mnuVideoCDNone"};
  for (const char* command : {"mnuRecModeMPEGSystem", "mnuVideoCDVCD", "mnuVideoCDNone"}) {
    SCOPED_TRACE(command);
    trigger(command);
    EXPECT_EQ(enabledItems(), locked);
    EXPECT_EQ(checkedItems(), locked);
    EXPECT_EQ(recordMode(), 0);
  }
}

}  // namespace cw::app::testing
