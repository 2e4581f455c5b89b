// Checks of a record that should hold exactly marked stretches of a source:
// each output picture against the source's picture at its place and its
// neighbours, and the outside tools' verdicts on the file (decoder, buffer
// checkers, time stamps, vcdimager).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "support/pictures.h"

namespace cw::test {

// Output pictures [from, from + count) against source pictures from `first` on.
struct Identity {
  int wrongPlace = 0;  // nearer to a neighbour, or under 30 dB
  int copied = 0;      // the source's picture exactly
  double lowest = 99.0;
  double average = 0.0;
};
Identity identify(const std::vector<Luma>& source, const std::vector<Luma>& output,
                  std::size_t first, std::size_t from = 0, std::size_t count = ~std::size_t{0});

// vcdimager's complaints about a VideoCD record: none but the padding of
// audio sectors that the mode without zeroes leaves to it.
std::string vcdimagerComplaints(const std::string& record, const std::string& workDir);

// False when a picture's decoding time is not later than the one before it.
bool stampsRise(const std::string& record);

// Source pictures [first, first + count), in display order.
struct SourceStretch {
  std::size_t first = 0;
  std::size_t count = 0;
};

// The stretches of `source` (its decoded pictures in `sourcePictures`, its
// longest GOP `gop`) that `record`, made in record mode `mode`, must hold one
// after the other: one line per problem, empty when the record is right.
// Pictures other than those of the two cut GOPs of each stretch must be the
// source's own.
std::string exactRecordProblems(const std::vector<Luma>& sourcePictures, int gop,
                                const std::string& record, const std::string& mode,
                                const std::vector<SourceStretch>& stretches,
                                const std::string& workDir);

// The stretch of pictures that marks in and out (seconds) select at `rate`.
SourceStretch stretchOf(double in, double out, double rate);

}  // namespace cw::test
