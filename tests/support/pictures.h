// Decoded pictures compared with a source's: the MD5 of every picture that
// ffmpeg decodes, and the output's pictures laid onto the source's as runs
// of consecutive source pictures. A cut or join that carries the source's
// coding state correctly decodes to runs of the source's very pictures.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace cw::test {

using PictureHashes = std::vector<std::string>;

// MD5 of every decoded picture of the first video stream, in output order,
// each picture once whatever its time stamp says. Empty when ffmpeg fails.
PictureHashes pictureHashes(const std::string& path);

// A stretch of the output that shows source pictures [from, from + count).
struct PictureRun {
  std::size_t from = 0;
  std::size_t count = 0;
};

struct PictureLayout {
  std::vector<PictureRun> runs;  // in output order
  std::size_t foreign = 0;       // output pictures that are no source picture
  std::size_t pictures = 0;      // output pictures in all
};

// Lays `output` onto `source` from its first picture on, taking at each
// step the longest run of source pictures that continues there.
PictureLayout layOnSource(const PictureHashes& source, const PictureHashes& output);

// "N pictures: runs from+count ...; F foreign", for failure messages.
std::string describeLayout(const PictureLayout& layout);

// The luma plane of every decoded picture of the first video stream, in
// output order. Empty when ffmpeg fails.
using Luma = std::vector<unsigned char>;
std::vector<Luma> pictureLumas(const std::string& path);

// Peak signal-to-noise ratio of two luma planes of one size, in dB (99 when
// they are equal).
double lumaPsnr(const Luma& a, const Luma& b);

}  // namespace cw::test
