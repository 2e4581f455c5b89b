// What a correct join looks like from the outside, checked on the written
// file with ffmpeg's tools, cw-std-check and a parse of the stream's own
// headers: it decodes without a message, SCR, DTS and PTS never step back,
// consecutive pictures and audio frames are decoded one period apart, and
// the GOP time codes run on picture by picture.
#pragma once

#include <string>

namespace cw::test {

// Each returns the defects found, one per line; empty when there are none.
std::string systemStreamDefects(const std::string& path);
std::string videoStreamDefects(const std::string& path);
std::string audioStreamDefects(const std::string& path);

// Time-code continuity of a video elementary stream held in `es`: every GOP
// header's time code equals the previous one plus the pictures in between.
std::string gopTimeCodeDefects(const std::string& es, double pictureRate);

// The video elementary stream of an MPEG-1 system stream.
std::string videoPayload(const std::string& systemStream);

}  // namespace cw::test
