// Start-up checks that need no window: the playback libraries, the low-space
// warning, the command line and the open dialog's filter.
#include <gtest/gtest.h>

#include "app/shell/command_line.h"
#include "app/shell/startup.h"

namespace cw::app {
namespace {

TEST(SystemCheckTest, TheLoadedFfmpegLibrariesPass) {
  const SystemCheck check = checkPlaybackLibraries(playbackLibraries());
  ASSERT_TRUE(check.usable);
  EXPECT_TRUE(check.failure.isEmpty());
  EXPECT_EQ(check.productVersion.count('.'), 2);
  EXPECT_EQ(check.mediaLayerVersion, check.productVersion.left(1).toInt() >= 5 ? 2 : 1);
}

TEST(SystemCheckTest, AMissingOrMismatchedLibraryFailsWithThreeLines) {
  const unsigned built = (60u << 16) | (3u << 8) | 100u;
  for (unsigned runtime : {0u, (59u << 16) | 100u}) {
    const SystemCheck check =
        checkPlaybackLibraries({{"libavformat", built, built}, {"libavcodec", runtime, built}});
    EXPECT_FALSE(check.usable);
    ASSERT_EQ(check.failure.size(), 3);
    EXPECT_TRUE(check.failure[0].startsWith("Cannot detect the FFmpeg libraries"));
    EXPECT_TRUE(check.failure[0].contains("libavcodec"));
    EXPECT_EQ(check.failure[2], "Please install FFmpeg before running this program again.");
  }
  const SystemCheck old = checkPlaybackLibraries({{"libavformat", (4u << 16), (4u << 16)}});
  EXPECT_TRUE(old.usable);
  EXPECT_EQ(old.productVersion, "4.0.0");
  EXPECT_EQ(old.mediaLayerVersion, 1);
}

TEST(SystemCheckTest, LowSpaceWarnsAtFiveMebibytesAndBelow) {
  const QStringList lines = lowSpaceWarning(5242880);
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[0], "Current drive has just 5120 Kilobytes free,");
  EXPECT_EQ(lines[1], "which is low for Clipwright Editor requirements. Please select");
  EXPECT_EQ(lines[2], "another drive for your TEMP directory or free some disk space.");
  EXPECT_TRUE(lowSpaceWarning(5242881).isEmpty());
  EXPECT_EQ(lowSpaceWarning(2047)[0], "Current drive has just 1 Kilobytes free,");
}

TEST(CommandLineTest, FilesAndOptions) {
  char prog[] = "clipwright", a[] = "/clips/a!b.mpg", log[] = "--log", b[] = "rel.mpg",
       dash[] = "--", c[] = "--version";
  char* argv[] = {prog, a, log, b, dash, c, nullptr};
  const CommandLine line = parseCommandLine(6, argv);
  EXPECT_TRUE(line.log);
  EXPECT_FALSE(line.version);  // after "--" it is a file name
  EXPECT_FALSE(line.help);
  ASSERT_EQ(line.files.size(), 3);
  EXPECT_EQ(line.files[0], "/clips/a!b.mpg");  // "!" is part of a Linux name
  EXPECT_TRUE(line.files[1].startsWith('/'));
  EXPECT_TRUE(line.files[1].endsWith("/rel.mpg"));
  EXPECT_TRUE(line.files[2].endsWith("/--version"));
  EXPECT_TRUE(line.error.isEmpty());

  char bad[] = "--frobnicate";
  char* argv2[] = {prog, bad, nullptr};
  EXPECT_FALSE(parseCommandLine(2, argv2).error.isEmpty());
}

TEST(CommandLineTest, HelpAndVersionAnswerWithoutADisplay) {
  const std::string program = CW_BINARY_DIR "/app/clipwright";
  for (const char* option : {"--help", "--version"}) {
    const std::string command =
        "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb '" + program + "' " + option;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[512] = {};
    const size_t n = fread(buffer, 1, sizeof buffer - 1, pipe);
    EXPECT_EQ(pclose(pipe), 0) << option;
    EXPECT_TRUE(std::string(buffer, n).find("clipwright") != std::string::npos) << option;
  }
}

TEST(OpenDialogTest, TheFilterInQtsForm) {
  EXPECT_EQ(qtFilter(mpegDialogFilter()),
            "MPEG files (*.mpg);;Video Only (*.mpv);;Audio Only (*.mpa);;15 Frames/Second "
            "(*.m15);;7.5 Frames/Second (*.m75);;All files (*)");
}

}  // namespace
}  // namespace cw::app
