// Movies for the player tests: corpus files when the corpus is there, else
// small ones made with ffmpeg into a temporary folder, once per run.
#pragma once

#include "support/screen_grab.h"

#include <QImage>
#include <string>
#include <vector>

namespace cw::player::testing {

// A generated movie by name: "ntsc.mpg" (VideoCD NTSC, 6 s, tone),
// "pal.mpg" (VideoCD PAL, 6 s), "video.mpv" (video elementary stream, 4 s),
// "audio.mp2" (audio elementary stream, 3 s). Empty when ffmpeg failed.
std::string generatedMovie(const std::string& name);

// A corpus file, or "" when the corpus does not hold it.
std::string corpusFile(const std::string& name);

// Every picture of a movie in display order, decoded by the ffmpeg program.
std::vector<QImage> referencePictures(const std::string& path);

using cw::test::meanDifference;

}  // namespace cw::player::testing
