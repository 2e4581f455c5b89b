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

// What the checks of an exact record need of its source.
struct ExactSource {
  std::vector<Luma> pictures;  // decoded, in display order
  int gop = 0;                 // longest GOP
  bool stampsRise = true;      // its own decoding times never step back
};
ExactSource exactSource(const std::string& path);

// The stretches of `source` that `record`, made in record mode `mode`, must
// hold one after the other: one line per problem, empty when the record is
// right. Pictures other than those of the two cut GOPs of each stretch must
// be the source's own. Decoding times are held to rise only where the
// source's do (a multiplexer's fault copied from the source is no fault of
// the cut).
std::string exactRecordProblems(const ExactSource& source, const std::string& record,
                                const std::string& mode,
                                const std::vector<SourceStretch>& stretches,
                                const std::string& workDir);

// The stretch of pictures that marks in and out (seconds) select at `rate`.
SourceStretch stretchOf(double in, double out, double rate);

}  // namespace cw::test
