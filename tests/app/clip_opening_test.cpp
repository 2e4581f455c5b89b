// Opening clips through the editor's real windows: File > Open with one and
// several files (progress window, Cancel), the command-line list, drops, the
// duplicate question, files that are not MPEG, and what the clip table holds.
#include <QFile>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include "app/controllers/clip_opener.h"
#include "app/shell/action_log.h"
#include "app/windows/placeholder_pictures.h"
#include "app/windows/thumbnail_frame.h"
#include "clip_fixture.h"

namespace cw::app::testing {
namespace {

class ClipOpeningTest : public ClipFixture {};

struct ProgressSeen {
  bool visible;
  QString action;
  int bar;
};

TEST_F(ClipOpeningTest, ThreeFilesShowTheBatchAndStepTheBar) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  CW_REQUIRE_CORPUS("video_only.mpv");
  CW_REQUIRE_CORPUS("audio_only.mpa");
  startEditor();
  ProgressDialog& progress = *form().progressDialog();
  std::vector<ProgressSeen> seen;
  QObject::connect(&palette(), &FootageWindow::thumbnailAdded, &form(), [&](int) {
    seen.push_back(
        {progress.isVisible(), progress.actionLabel()->text(), progress.progressBar()->value()});
  });
  fileOpen(corpus("vcd_ntsc.mpg").section('/', 0, -2),
           {"vcd_ntsc.mpg", "video_only.mpv", "audio_only.mpa"});

  EXPECT_EQ(dialogTitle, "Open file(s)");
  EXPECT_EQ(dialogFilters.value(0), "MPEG files (*.mpg)");
  ASSERT_EQ(seen.size(), 3u);
  for (std::size_t i = 0; i < seen.size(); ++i) {
    EXPECT_TRUE(seen[i].visible);
    EXPECT_EQ(seen[i].action, "Opening 3  files...");
    EXPECT_EQ(seen[i].bar, 33 * static_cast<int>(i));  // stepped after each thumbnail
  }
  EXPECT_EQ(progress.progressBar()->value(), 99);
  EXPECT_TRUE(progress.percentLabel()->text().isEmpty());
  EXPECT_FALSE(progress.isVisible());
  EXPECT_FALSE(session().openingFiles);
  ASSERT_EQ(clipCount(), 3);
  EXPECT_EQ(palette().thumbnailCount(), 3);
  EXPECT_EQ(session().paletteIndex, 2);
  EXPECT_TRUE(form().actions().isEnabled("menuClose"));
  EXPECT_TRUE(takeMessages().empty());
}

TEST_F(ClipOpeningTest, CancelStopsBeforeTheNextFileAndKeepsTheOpenedClips) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  CW_REQUIRE_CORPUS("sys_open.mpg");
  startEditor();
  ProgressDialog& progress = *form().progressDialog();
  QObject::connect(&palette(), &FootageWindow::thumbnailAdded, &form(), [&](int index) {
    if (index == 0) QTest::mouseClick(progress.cancelButton(), Qt::LeftButton);
  });
  fileOpen(corpus("vcd_ntsc.mpg").section('/', 0, -2),
           {"vcd_ntsc.mpg", "vcd_pal.mpg", "sys_open.mpg"});

  EXPECT_EQ(clipCount(), 1);
  EXPECT_EQ(palette().thumbnailCount(), 1);
  EXPECT_EQ(session().clips.at(0).fileName, "vcd_ntsc.mpg");
  EXPECT_FALSE(progress.isVisible());
  EXPECT_FALSE(session().openingFiles);
  EXPECT_TRUE(takeMessages().empty());
}

TEST_F(ClipOpeningTest, FilesDroppedDuringABatchJoinIt) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  CW_REQUIRE_CORPUS("sys_open.mpg");
  CW_REQUIRE_CORPUS("video_only.mpv");
  startEditor();
  ProgressDialog& progress = *form().progressDialog();
  std::vector<int> bar;
  QObject::connect(&palette(), &FootageWindow::thumbnailAdded, &form(), [&](int index) {
    bar.push_back(progress.progressBar()->value());
    if (index == 0) dropFiles({corpus("video_only.mpv")});
  });
  fileOpen(corpus("vcd_ntsc.mpg").section('/', 0, -2),
           {"vcd_ntsc.mpg", "vcd_pal.mpg", "sys_open.mpg"});

  ASSERT_EQ(clipCount(), 4);
  EXPECT_EQ(palette().thumbnailCount(), 4);
  QStringList names;
  for (const ClipRecord& clip : session().clips) names << clip.fileName;
  EXPECT_EQ(names, QStringList({"vcd_ntsc.mpg", "vcd_pal.mpg", "sys_open.mpg", "video_only.mpv"}));
  // The bar never passes its end; neither does the text.
  EXPECT_EQ(bar, std::vector<int>({0, 33, 66, 99}));
  EXPECT_FALSE(progress.isVisible());
  EXPECT_FALSE(session().openingFiles);
  EXPECT_TRUE(takeMessages().empty());
}

TEST_F(ClipOpeningTest, ADeleteDuringABatchKeepsTableAndPaletteInStep) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  CW_REQUIRE_CORPUS("sys_open.mpg");
  startEditor();
  // Delete comes while the third file is being analysed: the command is off
  // then, and the batch ends with every file; afterwards it deletes.
  bool offWhileAnalysed = false;
  QObject::connect(&palette(), &FootageWindow::thumbnailAdded, &form(), [&](int index) {
    if (index != 1) return;
    QTimer::singleShot(0, &form(), [&] {
      offWhileAnalysed = !form().actions().isEnabled("menuPopUpDelete");
      session().paletteIndex = 0;
      form().action("menuPopUpDelete")->trigger();
    });
  });
  fileOpen(corpus("vcd_ntsc.mpg").section('/', 0, -2),
           {"vcd_ntsc.mpg", "vcd_pal.mpg", "sys_open.mpg"});
  EXPECT_TRUE(offWhileAnalysed);
  ASSERT_EQ(clipCount(), 3);
  session().paletteIndex = 0;
  form().action("menuPopUpDelete")->trigger();

  ASSERT_EQ(clipCount(), 2);
  ASSERT_EQ(session().clips.size(), 2u);
  EXPECT_EQ(session().clips[0].fileName, "vcd_pal.mpg");
  EXPECT_EQ(session().clips[1].fileName, "sys_open.mpg");
  ASSERT_EQ(palette().thumbnailCount(), 2);
  EXPECT_EQ(palette().thumbnail(0)->accessibleName(), "vcd_pal.mpg");
  EXPECT_EQ(palette().thumbnail(1)->accessibleName(), "sys_open.mpg");
}

TEST_F(ClipOpeningTest, CloseAllWaitsForTheBatchThenEmptiesTheTable) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  CW_REQUIRE_CORPUS("sys_open.mpg");
  startEditor();
  // Close All comes while the second file is being analysed: it is off then;
  // once the batch has ended it empties the table.
  bool closed = false;
  bool offWhileAnalysed = false;
  QObject::connect(&palette(), &FootageWindow::thumbnailAdded, &form(), [&](int) {
    if (closed) return;
    closed = true;
    QTimer::singleShot(0, &form(), [&] {
      offWhileAnalysed = !form().actions().isEnabled("menuClose");
      form().action("menuClose")->trigger();
    });
  });
  fileOpen(corpus("vcd_ntsc.mpg").section('/', 0, -2),
           {"vcd_ntsc.mpg", "vcd_pal.mpg", "sys_open.mpg"});
  EXPECT_TRUE(offWhileAnalysed);
  EXPECT_EQ(clipCount(), 3);
  form().action("menuClose")->trigger();

  EXPECT_EQ(clipCount(), 0);
  EXPECT_TRUE(session().clips.empty());
  EXPECT_EQ(palette().thumbnailCount(), 0);
  EXPECT_FALSE(form().actions().isEnabled("menuClose"));
  EXPECT_FALSE(form().progressDialog()->isVisible());

  // The next file opens as the first clip.
  openPaths({corpus("vcd_pal.mpg")});
  ASSERT_EQ(clipCount(), 1);
  EXPECT_EQ(session().clips.size(), 1u);
  EXPECT_EQ(palette().thumbnailCount(), 1);
}

TEST_F(ClipOpeningTest, ACancelledDialogOpensNothing) {
  startEditor();
  fileOpen(QString(), {});
  EXPECT_EQ(clipCount(), 0);
  EXPECT_EQ(palette().thumbnailCount(), 0);
  EXPECT_FALSE(form().actions().isEnabled("menuClose"));
}

TEST_F(ClipOpeningTest, ANonMpegFileIsRefusedWithItsMessageAndLogLines) {
  CW_REQUIRE_CORPUS("sound.wav");
  startEditor();
  // Ctrl+Alt+F12 in the palette switches the log on.
  QTest::keyClick(&palette(), Qt::Key_F12, Qt::ControlModifier | Qt::AltModifier);
  ASSERT_TRUE(session().logEnabled);
  const QString wav = corpus("sound.wav");
  fileOpen(wav.section('/', 0, -2), {"sound.wav"});

  const auto shown = takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text(), "File " + wav + " is not a valid MPEG file!");
  EXPECT_EQ(shown[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(clipCount(), 0);
  EXPECT_EQ(palette().thumbnailCount(), 0);
  EXPECT_FALSE(form().actions().isEnabled("menuClose"));

  QFile log(logFilePath(session()));
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  EXPECT_EQ(log.readAll(), "\r\nCAN'T OPEN   " + wav.toUtf8() + "\r\nShopFileType = -9\r\n");

  // A good file after the bad one takes index 0.
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  openPaths({wav, corpus("vcd_pal.mpg")});
  EXPECT_EQ(clipCount(), 1);
  EXPECT_EQ(session().clips.at(0).fileName, "vcd_pal.mpg");
}

TEST_F(ClipOpeningTest, DuplicatesAreOpenedOnlyWhenTheUserAgrees) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  startEditor();
  const QString path = corpus("vcd_ntsc.mpg");
  openPaths({path});
  ASSERT_EQ(clipCount(), 1);
  EXPECT_TRUE(takeMessages().empty());

  answer(MessageAnswer::No);
  fileOpen(path.section('/', 0, -2), {"vcd_ntsc.mpg"});
  auto shown = takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].lines, QStringList({"File " + path, "already exsists in your project!",
                                         "Do you still want to open it?"}));
  EXPECT_EQ(shown[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(shown[0].defaultAnswer, MessageAnswer::No);
  EXPECT_EQ(clipCount(), 1);

  answer(MessageAnswer::No);
  dropFiles({path});
  EXPECT_EQ(takeMessages().size(), 1u);
  EXPECT_EQ(clipCount(), 1);

  // Yes opens it again; a third copy is asked about once per clip of the path.
  answer(MessageAnswer::Yes);
  openPaths({path});
  EXPECT_EQ(clipCount(), 2);
  answer(MessageAnswer::Yes);
  answer(MessageAnswer::No);
  openPaths({path});
  EXPECT_EQ(takeMessages().size(), 3u);
  EXPECT_EQ(clipCount(), 2);
}

TEST_F(ClipOpeningTest, TheTemporaryProjectIsNeverASource) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  startEditor();
  const QString project = session().recordFilePath;
  ASSERT_TRUE(QFile::copy(corpus("vcd_ntsc.mpg"), project));
  openPaths({project});
  const auto shown = takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text(), "Cannot open temporary project file as source!");
  EXPECT_EQ(clipCount(), 0);
  QFile::remove(project);
}

TEST_F(ClipOpeningTest, NamesWithBangsAndSeveralDotsOpenAsGiven) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  startEditor();
  // "!" is an ordinary character of a Linux file name; the extension is
  // the last one, in lower case, as the player's rate table knows it.
  const QString bang = root() + "/take!1.mpg";
  const QString dots = root() + "/holiday.2020.M15";
  ASSERT_TRUE(QFile::link(corpus("vcd_ntsc.mpg"), bang));
  ASSERT_TRUE(QFile::link(corpus("vcd_ntsc.mpg"), dots));
  openPaths({bang});
  dropFiles({dots});
  ASSERT_EQ(clipCount(), 2);
  EXPECT_EQ(session().clips[0].fullPath, bang);
  EXPECT_EQ(session().clips[0].fileName, "take!1.mpg");
  EXPECT_EQ(session().clips[1].fileName, "holiday.2020.M15");
  EXPECT_EQ(session().clips[1].extension, "m15");
  EXPECT_EQ(palette().thumbnail(0)->accessibleName(), "take!1.mpg");
  EXPECT_TRUE(takeMessages().empty());
}

TEST_F(ClipOpeningTest, TheClipTableHoldsWhatTheAnalysisFound) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  CW_REQUIRE_CORPUS("video_only.mpv");
  CW_REQUIRE_CORPUS("audio_only.mpa");
  CW_REQUIRE_CORPUS("vcd_film.mpg");
  startEditor();
  openPaths({corpus("vcd_ntsc.mpg"), corpus("video_only.mpv"), corpus("audio_only.mpa"),
             corpus("vcd_film.mpg")});
  ASSERT_EQ(clipCount(), 4);
  const auto& clips = session().clips;

  const ClipRecord& vcd = clips[0];
  EXPECT_EQ(vcd.fullPath, corpus("vcd_ntsc.mpg"));
  EXPECT_EQ(vcd.folder + vcd.fileName, vcd.fullPath);
  EXPECT_EQ(vcd.extension, "mpg");
  EXPECT_EQ(vcd.fileType, 0);
  EXPECT_DOUBLE_EQ(vcd.byteLength, QFileInfo(vcd.fullPath).size());
  EXPECT_DOUBLE_EQ(vcd.sizeKB, std::floor(vcd.byteLength / 1024));
  EXPECT_DOUBLE_EQ(vcd.pictureRate, 29.97);  // not cut to 29.969 by single precision
  EXPECT_EQ(vcd.width, 352);
  EXPECT_EQ(vcd.height, 240);
  EXPECT_EQ(vcd.sampleRate, 44100);
  EXPECT_TRUE(vcd.vcdCompatible);
  ASSERT_TRUE(vcd.info);
  EXPECT_EQ(vcd.infoHandle, vcd.info->ninfoHand());
  EXPECT_EQ(vcd.info->shopFileName(), vcd.fullPath.toStdString());
  EXPECT_DOUBLE_EQ(clips[3].pictureRate, 23.976);

  // Video only and audio only are judged by their own stream alone.
  EXPECT_EQ(clips[1].fileType, 1);
  EXPECT_EQ(clips[1].extension, "mpv");
  EXPECT_EQ(clips[1].vcdCompatible, clips[1].info->shopFileVideoVCDcomp() == 1);
  EXPECT_EQ(clips[2].fileType, 2);
  EXPECT_EQ(clips[2].vcdCompatible, clips[2].info->shopFileAudioVCDcomp() == 1);
  EXPECT_NE(clips[0].infoHandle, clips[1].infoHandle);

  // Pictures: a decoded frame for the video clips, the placeholder for sound.
  EXPECT_GT(pictureSpread(shownThumbnail(0)), 10.0);
  EXPECT_GT(pictureSpread(shownThumbnail(1)), 10.0);
  QPixmap placeholder = audioPlaceholderPicture(palette().thumbnailSize());
  drawFrame(placeholder, grayFrameColors());
  EXPECT_EQ(palette().thumbnail(2)->picture().toImage(), placeholder.toImage());
  EXPECT_EQ(palette().thumbnail(2)->accessibleName(), "audio_only.mpa");
}

}  // namespace
}  // namespace cw::app::testing
