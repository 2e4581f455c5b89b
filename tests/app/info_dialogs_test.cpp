// The "Clip Properties" forms on corpus files opened through the editor:
// every value label by file type, the rate rules, the alias, the placement,
// and the menus they switch off while open.
#include <QAccessible>
#include <QFile>
#include <QFileInfo>
#include <QScreen>
#include <QTest>

#include "app/commands/commands.h"
#include "app/dialogs/clip_info_dialog.h"
#include "app/dialogs/recorder_info_dialog.h"
#include "clip_fixture.h"

// Readable values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace cw::app::testing {
namespace {

using Labels = std::map<QString, QString>;

const char* const kValueLabels[] = {
    "labWhatType",          "labPictureRate",     "labSystemMuxRate",   "labVideoHorizontalSize",
    "labVideoVerticalSize", "labVideoBitrate",    "labAudioBitrate",    "labAudioMode",
    "labAudioLayer",        "labAudioSampleRate", "labFileLengthBytes", "labVideoCDCompliant"};

QString kilobytes(const QString& path) { return QString::number(QFileInfo(path).size() / 1024); }

class InfoFormsTest : public ClipFixture {
 protected:
  ClipInfoDialog* openClipForm(int index, QPoint at = QPoint(40, 40)) {
    ClipInfoDialog* info = showClipInfo(form(), index, at);
    EXPECT_NE(info, nullptr);
    return info;
  }

  static Labels shown(const InfoDialog* info) {
    Labels texts;
    for (const char* name : kValueLabels) texts[name] = info->valueLabel(name)->text();
    return texts;
  }

  // A right click on thumbnail `index`: the context menu as the user sees it.
  void rightClickThumbnail(int index) {
    QTest::mousePress(palette().thumbnail(index), Qt::RightButton, {}, QPoint(10, 10));
    QTest::mouseRelease(palette().thumbnail(index), Qt::RightButton, {}, QPoint(10, 10));
    form().actions().menu("menuPopUp")->hide();
  }
  bool offered(const char* name) { return form().actions().isEnabled(name); }

  void closeByRightClick(InfoDialog* info) {
    QPointer<InfoDialog> alive(info);
    QTest::mousePress(info, Qt::RightButton, {}, QPoint(5, 5));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull());
  }
};

TEST_F(InfoFormsTest, EveryLabelForEachKindOfFile) {
  for (const char* name : {"vcd_ntsc.mpg", "video_only.mpv", "audio_only.mpa", "sys_two_audio.mpg"})
    CW_REQUIRE_CORPUS(name);
  startEditor();
  const QStringList paths = {corpus("vcd_ntsc.mpg"), corpus("video_only.mpv"),
                             corpus("audio_only.mpa"), corpus("sys_two_audio.mpg")};
  openPaths(paths);
  ASSERT_EQ(clipCount(), 4);

  // NTSC VideoCD: 1150 kbit/s video, 224 kbit/s stereo layer II sound.
  ClipInfoDialog* info = openClipForm(0);
  EXPECT_EQ(info->windowTitle(), "Clip Properties");
  EXPECT_EQ(info->labMPEGStream()->text(), paths[0]);
  EXPECT_EQ(info->txtAlias()->text(), "vcd_ntsc.mpg");
  EXPECT_EQ(shown(info), (Labels{{"labWhatType", "MPEG System"},
                                 {"labPictureRate", "29.97"},
                                 {"labSystemMuxRate", "176400"},
                                 {"labVideoHorizontalSize", "352"},
                                 {"labVideoVerticalSize", "240"},
                                 {"labVideoBitrate", "1.15"},
                                 {"labAudioBitrate", "224"},
                                 {"labAudioMode", "Stereo"},
                                 {"labAudioLayer", "2"},
                                 {"labAudioSampleRate", "44100"},
                                 {"labFileLengthBytes", kilobytes(paths[0])},
                                 {"labVideoCDCompliant", "Yes"}}));
  // A screen reader reads the value itself, and its caption as its label.
  QAccessibleInterface* type =
      QAccessible::queryAccessibleInterface(info->valueLabel("labWhatType"));
  ASSERT_NE(type, nullptr);
  EXPECT_EQ(type->text(QAccessible::Name), "MPEG System");
  const auto labels = type->relations(QAccessible::Label);
  ASSERT_EQ(labels.size(), 1);
  EXPECT_EQ(labels[0].first->text(QAccessible::Name), "File Type:");

  info = openClipForm(1);
  EXPECT_EQ(shown(info), (Labels{{"labWhatType", "Video Only"},
                                 {"labPictureRate", "29.97"},
                                 {"labSystemMuxRate", "N/A"},
                                 {"labVideoHorizontalSize", "352"},
                                 {"labVideoVerticalSize", "240"},
                                 {"labVideoBitrate", "1.2"},
                                 {"labAudioBitrate", "N/A"},
                                 {"labAudioMode", "N/A"},
                                 {"labAudioLayer", "N/A"},
                                 {"labAudioSampleRate", "N/A"},
                                 {"labFileLengthBytes", kilobytes(paths[1])},
                                 {"labVideoCDCompliant", "N/A"}}));

  info = openClipForm(2);
  EXPECT_EQ(shown(info), (Labels{{"labWhatType", "Audio Only"},
                                 {"labPictureRate", "N/A"},
                                 {"labSystemMuxRate", "N/A"},
                                 {"labVideoHorizontalSize", "N/A"},
                                 {"labVideoVerticalSize", "N/A"},
                                 {"labVideoBitrate", "N/A"},
                                 {"labAudioBitrate", "224"},
                                 {"labAudioMode", "Stereo"},
                                 {"labAudioLayer", "2"},
                                 {"labAudioSampleRate", "44100"},
                                 {"labFileLengthBytes", kilobytes(paths[2])},
                                 {"labVideoCDCompliant", "N/A"}}));

  // Two sound streams: a system stream or "Multiple Streams", by which
  // packet comes first; only a plain system stream answers for VideoCD.
  info = openClipForm(3);
  Labels texts = shown(info);
  const bool multiple = texts["labWhatType"] == "Multiple Streams";
  EXPECT_TRUE(multiple || texts["labWhatType"] == "MPEG System")
      << texts["labWhatType"].toStdString();
  EXPECT_EQ(texts["labVideoCDCompliant"], multiple ? "N/A" : "No");
  texts.erase("labWhatType");
  texts.erase("labVideoCDCompliant");
  texts.erase("labSystemMuxRate");
  EXPECT_EQ(texts, (Labels{{"labPictureRate", "25"},
                           {"labVideoHorizontalSize", "352"},
                           {"labVideoVerticalSize", "240"},
                           {"labVideoBitrate", "1.2"},
                           {"labAudioBitrate", "192"},
                           {"labAudioMode", "Stereo"},
                           {"labAudioLayer", "2"},
                           {"labAudioSampleRate", "44100"},
                           {"labFileLengthBytes", kilobytes(paths[3])}}));
  EXPECT_NE(info->valueLabel("labSystemMuxRate")->text(), "N/A");
  // Opening another clip's form closed the earlier ones.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(form().findChildren<ClipInfoDialog*>().size(), 1);
}

TEST_F(InfoFormsTest, RateByExtensionAndUnknownRate) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  startEditor();
  const QString slow = root() + "/slow.m75";
  const QString quarter = root() + "/quarter.m15";
  ASSERT_TRUE(QFile::link(corpus("vcd_ntsc.mpg"), slow));
  ASSERT_TRUE(QFile::link(corpus("vcd_ntsc.mpg"), quarter));
  openPaths({slow, quarter, corpus("vcd_ntsc.mpg")});
  ASSERT_EQ(clipCount(), 3);
  EXPECT_EQ(openClipForm(0)->valueLabel("labPictureRate")->text(), "7.5");
  EXPECT_EQ(openClipForm(1)->valueLabel("labPictureRate")->text(), "15");
  session().clips[2].pictureRate = 0;
  EXPECT_EQ(openClipForm(2)->valueLabel("labPictureRate")->text(), "Unknown");
}

TEST_F(InfoFormsTest, OpensAtThePointInsideTheScreen) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  startEditor();
  openPaths({corpus("vcd_ntsc.mpg")});
  ASSERT_EQ(clipCount(), 1);
  EXPECT_EQ(openClipForm(0, QPoint(30, 50))->pos(), QPoint(30, 50));
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  ClipInfoDialog* info = openClipForm(0, screen.bottomRight() - QPoint(5, 5));
  EXPECT_TRUE(screen.contains(info->frameGeometry()))
      << info->frameGeometry().x() << "," << info->frameGeometry().y() << " "
      << info->frameGeometry().width() << "x" << info->frameGeometry().height() << " in "
      << screen.width() << "x" << screen.height();
  // A long path widens the form to show it whole.
  EXPECT_GE(info->width(), info->labMPEGStream()->sizeHint().width());
}

TEST_F(InfoFormsTest, ContextMenuAliasAndClosing) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  CW_REQUIRE_CORPUS("vcd_pal.mpg");
  startEditor();
  openPaths({corpus("vcd_ntsc.mpg"), corpus("vcd_pal.mpg")});
  ASSERT_EQ(clipCount(), 2);
  form().actions().setEnabled("mnuDelete", true);

  // Clip Properties from the thumbnail's context menu opens where it was asked.
  rightClickThumbnail(1);
  EXPECT_TRUE(offered("menuPopUpPreferences"));
  const QPoint asked = palette().thumbnail(1)->mapToGlobal(QPoint(10, 10));
  form().action("menuPopUpPreferences")->trigger();
  auto* info = form().findChild<ClipInfoDialog*>();
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->clipIndex(), 1);
  EXPECT_EQ(info->pos(), asked);
  EXPECT_FALSE(offered("mnuDelete"));
  rightClickThumbnail(1);
  EXPECT_FALSE(offered("menuPopUpPreferences"));
  EXPECT_FALSE(offered("menuPopUpDelete"));
  rightClickThumbnail(0);
  EXPECT_TRUE(offered("menuPopUpPreferences"));
  EXPECT_TRUE(offered("menuPopUpDelete"));

  // The alias renames the clip in the palette as it is typed.
  info->txtAlias()->selectAll();
  QTest::keyClicks(info->txtAlias(), "Harbour at dusk");
  EXPECT_EQ(session().clips[1].displayName(), "Harbour at dusk");
  EXPECT_EQ(palette().thumbnail(1)->toolTip(), "Harbour at dusk");
  EXPECT_EQ(palette().thumbnail(1)->accessibleName(), "Harbour at dusk");
  EXPECT_EQ(palette().thumbnail(0)->toolTip(), "vcd_ntsc.mpg");

  closeByRightClick(info);
  EXPECT_TRUE(offered("mnuDelete"));
  EXPECT_EQ(session().infoWindowClip, -1);
  rightClickThumbnail(1);
  EXPECT_TRUE(offered("menuPopUpPreferences"));
  EXPECT_TRUE(offered("menuPopUpDelete"));

  // In the player the clip goes by its alias; a right click on the picture
  // shows the clip's form there.
  QTest::mouseDClick(palette().thumbnail(1), Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(form().playerWindow()->windowTitle(), "Player: Harbour at dusk");
  auto* clipArea = form().playerWindow()->playerPane()->findChild<QWidget*>("Picture1");
  ASSERT_NE(clipArea, nullptr);
  QTest::mousePress(clipArea, Qt::RightButton, {}, QPoint(25, 35));
  info = form().findChild<ClipInfoDialog*>();
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->clipIndex(), 1);
  EXPECT_EQ(info->pos(), clipArea->mapToGlobal(QPoint(25, 35)));
  EXPECT_EQ(info->txtAlias()->text(), "Harbour at dusk");
  // The length is the player's, once the clip has been there: 12 s of PAL.
  EXPECT_EQ(info->valueLabel("labFileLengthFrames")->text(), "00:00:12:00");

  // An emptied alias gives the file name back, in the palette and the player.
  info->txtAlias()->selectAll();
  QTest::keyClick(info->txtAlias(), Qt::Key_Delete);
  EXPECT_EQ(session().clips[1].alias, "");
  EXPECT_EQ(palette().thumbnail(1)->toolTip(), "vcd_pal.mpg");
  EXPECT_EQ(form().playerWindow()->windowTitle(), "Player: vcd_pal.mpg");
  EXPECT_EQ(form().playerWindow()->accessibleName(), "Player: vcd_pal.mpg");
}

TEST_F(InfoFormsTest, RecorderFormOnARightClickOfTheRecorder) {
  CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
  startEditor();
  player::ScrubPane* recorder = form().recorderWindow()->recorderPane();
  auto* clipArea = recorder->findChild<QWidget*>("Picture1");
  ASSERT_NE(clipArea, nullptr);
  // Without a movie the right click shows nothing.
  QTest::mousePress(clipArea, Qt::RightButton, {}, QPoint(20, 30));
  EXPECT_EQ(form().findChild<RecorderInfoDialog*>(), nullptr);

  RecorderInfo& movie = session().recorder;
  movie.fileName = corpus("vcd_ntsc.mpg");
  movie.fileType = 0;
  movie.sizeKB = 1234;
  movie.length = "00:00:11:29";
  movie.pictureRate = 29.97;
  movie.muxRate = 176400;
  movie.width = 352;
  movie.height = 240;
  movie.videoByteRate = 143750;
  movie.audioByteRate = 28000;
  movie.audioMode = 1;
  movie.audioLevel = 2;
  movie.sampleRate = 44100;
  movie.vcdCompatible = false;
  recorder->setSource(movie.fileName);
  ASSERT_EQ(recorder->xOpen(), 0);
  form().actions().setEnabled("mnuDelete", true);

  QTest::mousePress(clipArea, Qt::RightButton, {}, QPoint(20, 30));
  auto* info = form().findChild<RecorderInfoDialog*>();
  ASSERT_NE(info, nullptr);
  // 150 twips right of the mouse, unless the form (as wide as the file's
  // path) would then reach past the screen's right edge.
  const QPoint asked = clipArea->mapToGlobal(QPoint(30, 30));
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(info->y(), asked.y());
  if (asked.x() + info->frameGeometry().width() - 1 <= screen.right())
    EXPECT_EQ(info->x(), asked.x());
  else
    EXPECT_EQ(info->frameGeometry().right(), screen.right());
  EXPECT_EQ(info->labMPEGStream()->text(), movie.fileName);
  EXPECT_EQ(shown(info), (Labels{{"labWhatType", "MPEG System"},
                                 {"labPictureRate", "29.97"},
                                 {"labSystemMuxRate", "176400"},
                                 {"labVideoHorizontalSize", "352"},
                                 {"labVideoVerticalSize", "240"},
                                 {"labVideoBitrate", "1.15"},
                                 {"labAudioBitrate", "224"},
                                 {"labAudioMode", "Joint Stereo"},
                                 {"labAudioLayer", "2"},
                                 {"labAudioSampleRate", "44100"},
                                 {"labFileLengthBytes", "1234"},
                                 {"labVideoCDCompliant", "No"}}));
  EXPECT_EQ(info->valueLabel("labFileLengthFrames")->text(), "00:00:11:29");
  EXPECT_FALSE(offered("mnuDelete"));
  closeByRightClick(info);
  EXPECT_TRUE(offered("mnuDelete"));
}

}  // namespace
}  // namespace cw::app::testing
