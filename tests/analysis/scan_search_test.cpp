// The fast start-code and sync-byte searches of the scanners against a plain
// byte-by-byte reading of the same payloads: bytes dense with 00 00 01 and
// FF, codes at every alignment, payloads from empty to a few hundred bytes,
// so that codes fall on the search's block edges and across payload ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/analysis/mpeg1.h"
#include "engine/analysis/payload_walk.h"
#include "engine/analysis/scanners.h"
#include "engine/analysis/stream_params.h"

namespace cw {
namespace {

struct Payloads {
  ScanBuffer buf;
  ScanList packets;
  std::vector<std::uint8_t> stream;  // the payloads joined
  std::vector<std::uint32_t> at;     // buffer offset of each stream byte
};

Payloads randomPayloads(std::mt19937& rng) {
  static const std::uint8_t kAlphabet[] = {0x00, 0x00, 0x00, 0x01, 0x01, 0xB3, 0xB8, 0xB7,
                                           0xFF, 0xFD, 0xB0, 0x04, 0x44, 0x08, 0x10};
  Payloads p;
  std::vector<std::uint8_t> bytes(100 + rng() % 2000);
  for (auto& b : bytes) {
    b = rng() % 4 != 0 ? kAlphabet[rng() % sizeof kAlphabet] : static_cast<std::uint8_t>(rng());
  }
  // Whole codes and frame headers, about one in forty bytes.
  static const std::uint8_t kIds[] = {0x00, 0xB3, 0xB8, 0xB7, 0x01, 0xBA};
  for (std::size_t n = bytes.size() / 40; n > 0; --n) {
    const std::size_t at = rng() % (bytes.size() - 6);
    if (rng() % 2 == 0) {
      const std::uint8_t code[6] = {0,
                                    0,
                                    1,
                                    kIds[rng() % sizeof kIds],
                                    static_cast<std::uint8_t>(rng()),
                                    static_cast<std::uint8_t>(rng())};
      std::copy(code, code + 6, bytes.begin() + at);
    } else {
      const std::uint8_t frame[4] = {0xFF, 0xFD, 0x10, 0x04};
      std::copy(frame, frame + 4, bytes.begin() + at);
    }
  }
  p.buf.data = bytes;
  std::uint32_t pos = rng() % 5;
  while (pos < bytes.size()) {
    ScanEntry e;
    e.start = pos;
    e.payload = std::min<std::uint32_t>(pos + rng() % 4, bytes.size());
    const std::uint32_t length = rng() % 3 == 0 ? rng() % 8 : rng() % 300;
    e.end = std::min<std::uint32_t>(e.payload + length, bytes.size());
    e.kind = mpeg1::kVideoStream0;
    e.pts() = 9000;
    for (std::uint32_t i = e.payload; i < e.end; ++i) {
      p.stream.push_back(bytes[i]);
      p.at.push_back(i);
    }
    p.packets.push_back(e);
    pos = e.end + (rng() % 3 == 0 ? rng() % 20 : 0);
  }
  return p;
}

// Every start code of the joined payloads, one position at a time; a found
// code is stepped over whole. Pictures need their type byte.
void plainVideoScan(const Payloads& p, ScanList& pictures, ScanList& codes) {
  const std::vector<std::uint8_t>& s = p.stream;
  std::size_t i = 0;
  while (i + 4 <= s.size()) {
    if (s[i] != 0 || s[i + 1] != 0 || s[i + 2] != 1) {
      ++i;
      continue;
    }
    ScanEntry e;
    e.start = e.end = e.payload = p.at[i];
    if (s[i + 3] == mpeg1::kPictureStart && i + 6 <= s.size()) {
      const char letter = mpeg1::pictureTypeLetter(mpeg1::pictureCodingType(&s[i]));
      if (letter != 0) {
        e.kind = static_cast<std::uint8_t>(letter);
        e.temporalReference() = mpeg1::pictureTemporalReference(&s[i]);
        pictures.push_back(e);
      }
    } else if (s[i + 3] == mpeg1::kGroupStart || s[i + 3] == mpeg1::kSequenceHeader ||
               s[i + 3] == mpeg1::kSequenceEnd) {
      e.kind = s[i + 3];
      codes.push_back(e);
    }
    i += 4;
  }
}

// Frame headers of the joined payloads, stepping a whole frame after each.
std::vector<std::uint32_t> plainAudioScan(const Payloads& p, const StreamParams& params) {
  std::vector<std::uint32_t> frames;
  std::size_t i = 0;
  while (i + 4 <= p.stream.size()) {
    if (matchesAudioFrame(params, &p.stream[i])) {
      frames.push_back(p.at[i]);
      i += params.frameLength;
    } else {
      ++i;
    }
  }
  return frames;
}

std::vector<std::uint32_t> starts(const ScanList& list) {
  std::vector<std::uint32_t> out;
  for (const ScanEntry& e : list) out.push_back(e.start);
  return out;
}

std::vector<int> kinds(const ScanList& list) {
  std::vector<int> out;
  for (const ScanEntry& e : list)
    out.push_back(e.kind * 1024 + static_cast<int>(e.temporalReference()));
  return out;
}

TEST(ScanSearch, VideoCodesAndPicturesMatchAPlainScanAtEveryAlignment) {
  std::mt19937 rng(11172);
  std::size_t found = 0;
  for (int round = 0; round < 1500; ++round) {
    const Payloads p = randomPayloads(rng);
    ScanList wantPictures, wantCodes;
    plainVideoScan(p, wantPictures, wantCodes);
    ScanList pictures, codes, bothPictures, bothCodes;
    ASSERT_EQ(scanVideoCodes(p.buf, p.packets, codes), 0);
    ASSERT_EQ(scanPictures(p.buf, p.packets, pictures), 0);
    ASSERT_EQ(starts(codes), starts(wantCodes)) << "round " << round;
    ASSERT_EQ(kinds(codes), kinds(wantCodes)) << "round " << round;
    ASSERT_EQ(starts(pictures), starts(wantPictures)) << "round " << round;
    ASSERT_EQ(kinds(pictures), kinds(wantPictures)) << "round " << round;
    found += codes.size() + pictures.size();

    ScanEntry firstSequence, firstPicture;
    scanFirstSequenceAndPicture(p.buf, p.packets, firstSequence, firstPicture);
    const auto sequence = std::find_if(wantCodes.begin(), wantCodes.end(), [](const ScanEntry& c) {
      return c.kind == mpeg1::kSequenceHeader;
    });
    EXPECT_EQ(firstSequence.kind != 0, sequence != wantCodes.end());
    if (sequence != wantCodes.end()) {
      EXPECT_EQ(firstSequence.start, sequence->start);
    }
    EXPECT_EQ(firstPicture.kind != 0, !wantPictures.empty());
    if (!wantPictures.empty()) {
      EXPECT_EQ(firstPicture.start, wantPictures.front().start);
    }

    // The strict scan gives the same lists unless a forbidden picture fails it.
    const int strict = scanPicturesAndCodes(p.buf, p.packets, bothPictures, bothCodes);
    ASSERT_TRUE(strict == 0 || strict == kForbiddenPicture);
    if (strict == 0) {
      EXPECT_EQ(starts(bothPictures), starts(wantPictures));
      EXPECT_EQ(starts(bothCodes), starts(wantCodes));
    }
  }
  EXPECT_GT(found, 10000u);
}

// Long stretches like coded pictures (zero bytes here and there, runs of
// zeroes, codes far apart) searched from every kind of start and end: a
// code whose zero pair straddles two blocks of the search must not be lost,
// and none may be reported at or behind the end.
TEST(ScanSearch, StartCodeSearchFindsTheFirstCodeOfAnyRange) {
  std::mt19937 rng(11174);
  std::vector<std::uint8_t> data(4096 + 2);
  for (int round = 0; round < 400; ++round) {
    for (auto& b : data) b = rng() % 24 == 0 ? 0 : static_cast<std::uint8_t>(rng() | 1);
    for (int n = rng() % 6; n > 0; --n) {
      const std::size_t at = rng() % (data.size() - 40);
      const std::size_t zeros = 2 + rng() % 30;
      std::fill_n(data.begin() + static_cast<std::ptrdiff_t>(at), zeros, 0);
      data[at + zeros] = rng() % 3 == 0 ? 2 : 1;
    }
    for (int range = 0; range < 20; ++range) {
      const std::size_t last = rng() % (data.size() - 1);
      const std::size_t from = rng() % (last + 1);
      std::size_t want = from;
      while (want < last && !(data[want] == 0 && data[want + 1] == 0 && data[want + 2] == 1))
        ++want;
      ASSERT_EQ(scan_detail::findStartCode(data.data(), from, last), want)
          << "round " << round << ", range [" << from << ", " << last << ")";
    }
  }
}

TEST(ScanSearch, AudioFramesMatchAPlainScan) {
  // Layer 2, 32 kbit/s, 44.1 kHz: 104-byte frames, so that several fall in
  // one payload and others straddle payload ends.
  const std::uint8_t header[4] = {0xFF, 0xFD, 0x10, 0x04};
  const StreamParams params = makeStreamParams(mpeg1::kAudioStream0, header);
  ASSERT_EQ(params.frameLength, 104);
  std::mt19937 rng(11173);
  std::size_t found = 0;
  for (int round = 0; round < 1500; ++round) {
    const Payloads p = randomPayloads(rng);
    ScanList frames;
    ASSERT_EQ(scanAudioFramesInPayloads(p.buf, p.packets, params, frames), 0);
    ASSERT_EQ(starts(frames), plainAudioScan(p, params)) << "round " << round;
    found += frames.size();
  }
  EXPECT_GT(found, 5000u);
}

}  // namespace
}  // namespace cw
