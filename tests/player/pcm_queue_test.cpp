// The sound queue lines decoded blocks up with the clock: silence for a gap
// before a block, late samples skipped, blocks read across their boundaries.
#include <gtest/gtest.h>

#include <vector>

#include "player/audio_output.h"

namespace cw::player {
namespace {

constexpr AudioFormat kMono1k{1000, 1};  // 1 ms per sample

std::vector<std::int16_t> ramp(int first, int count) {
  std::vector<std::int16_t> samples(count);
  for (int i = 0; i < count; ++i) samples[i] = static_cast<std::int16_t>(first + i);
  return samples;
}

std::vector<std::int16_t> readSamples(PcmQueue& queue, int count) {
  std::vector<std::int16_t> out(count, -1);
  const qint64 bytes = queue.read(reinterpret_cast<char*>(out.data()), count * 2);
  out.resize(bytes / 2);
  return out;
}

TEST(PcmQueue, GapBeforeABlockIsSilence) {
  PcmQueue queue(kMono1k);
  queue.restartAt(1.0);
  const auto block = ramp(100, 5);
  queue.push(1.003, block.data(), 5);  // three frames late
  EXPECT_EQ(readSamples(queue, 8), (std::vector<std::int16_t>{0, 0, 0, 100, 101, 102, 103, 104}));
}

TEST(PcmQueue, LateSamplesAreSkippedAndBlocksJoin) {
  PcmQueue queue(kMono1k);
  queue.restartAt(2.0);
  const auto early = ramp(10, 12);  // 1.990 .. 2.001
  const auto next = ramp(30, 3);    // 2.002 ..
  queue.push(1.990, early.data(), 12);
  queue.push(2.002, next.data(), 3);
  EXPECT_NEAR(queue.bufferedSeconds(), 0.015, 1e-9);
  EXPECT_EQ(readSamples(queue, 3), (std::vector<std::int16_t>{20, 21, 30}));
  EXPECT_EQ(readSamples(queue, 10), (std::vector<std::int16_t>{31, 32}));
  EXPECT_EQ(readSamples(queue, 4).size(), 0u);  // empty: nothing, not silence
}

TEST(PcmQueue, RestartDropsWhatWasQueued) {
  PcmQueue queue(AudioFormat{1000, 2});
  const auto block = ramp(1, 8);
  queue.push(0.0, block.data(), 4);
  queue.restartAt(5.0);
  EXPECT_EQ(queue.bufferedSeconds(), 0.0);
  queue.push(5.0, block.data(), 4);
  EXPECT_EQ(readSamples(queue, 3), (std::vector<std::int16_t>{1, 2}));  // whole frames only
}

}  // namespace
}  // namespace cw::player
