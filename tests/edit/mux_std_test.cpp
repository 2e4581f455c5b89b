// The decoder-buffer model on hand-made queues: when a packet is late, too
// early or overflows, and how sent units are sized and decoded.
#include <gtest/gtest.h>

#include "engine/edit/std_model.h"

namespace cw {
namespace {

// One byte per tick keeps the arithmetic readable.
const StdClock kClock{1.0, 1.0};

StdBuffer audioBuffer() {
  StdBuffer b;
  b.size = 4096;
  b.margin = 20;
  b.arrivalOffset = 16;
  b.packetLength = 2030;
  b.payload = 2023;
  return b;
}

ScanEntry unitAt(std::uint32_t start, std::int64_t dts) {
  ScanEntry u;
  u.start = u.end = u.payload = start;
  u.pts() = u.dts() = dts;
  return u;
}

TEST(MuxStdModel, LatenessIsNegativeWhenLateAndPositiveBeyondOneSecond) {
  const StdBuffer b = audioBuffer();
  const ScanList units = {unitAt(100, 1000), unitAt(5000, 300000)};
  const PendingUnits pending{&units, 0, 100, 0};
  // The first unit starts 16 bytes into the packet: it arrives at t + 16.
  EXPECT_EQ(stdLateness(b, pending, 1000 - 16, kClock), 0);
  EXPECT_EQ(stdLateness(b, pending, 1000 - 10, kClock), -6);
  // The offset is added to every DTS.
  const PendingUnits shifted{&units, 0, 100, 50};
  EXPECT_EQ(stdLateness(b, shifted, 1000 - 10, kClock), 0);
  // Waiting more than a second: positive by the excess.
  const ScanList early = {unitAt(100, 200000)};
  EXPECT_EQ(stdLateness(b, PendingUnits{&early, 0, 100, 0}, 0, kClock), 200000 - 16 - 90000);
  // Nothing starts in the payload: no opinion.
  const PendingUnits beyond{&units, 2, 100, 0};
  EXPECT_EQ(stdLateness(b, beyond, 5000, kClock), 0);
}

TEST(MuxStdModel, LatenessWatchesTheUnitThatCompletesInThePacket) {
  StdBuffer b = audioBuffer();
  b.started = true;
  b.queue.push_back({500, 1100});  // still arriving: its rest is in front of unit 0
  b.occupancy = 500;
  const ScanList units = {unitAt(400, 5000)};
  const PendingUnits pending{&units, 0, 0, 0};
  // Its last byte (offset 399) arrives at t + 16 + 399.
  EXPECT_EQ(stdLateness(b, pending, 1100 - 16 - 399, kClock), 0);
  EXPECT_EQ(stdLateness(b, pending, 1100 - 16 - 399 + 5, kClock), -5);
}

TEST(MuxStdModel, OverflowCountsArrivalsAgainstDecodingTimes) {
  StdBuffer b = audioBuffer();
  // Before the first packet nothing can overflow.
  b.occupancy = 4000;
  EXPECT_FALSE(stdOverflows(b, 0, kClock));
  b.started = true;
  // Nothing decodes during the packet: occupancy + payload against size - margin.
  b.queue = {{4076 - 2023, 100000}};
  b.occupancy = 4076 - 2023;
  EXPECT_TRUE(stdOverflows(b, 0, kClock));
  b.queue = {{4075 - 2023, 100000}};
  b.occupancy = 4075 - 2023;
  EXPECT_FALSE(stdOverflows(b, 0, kClock));
  // A unit decoded early in the packet makes room for the rest of it.
  b.queue = {{3000, 100}, {500, 100000}};
  b.occupancy = 3500;
  EXPECT_FALSE(stdOverflows(b, 0, kClock));
  // ...but not when it is decoded after too many bytes have come in.
  b.queue = {{3000, 700}, {500, 100000}};
  EXPECT_TRUE(stdOverflows(b, 0, kClock));
}

TEST(MuxStdModel, ArrivingUnitsAreSizedAndDecodedUnitsLeave) {
  StdBuffer b = audioBuffer();
  const ScanList units = {unitAt(20, 100), unitAt(700, 200), unitAt(1400, 300)};
  // Payload [0, 1000): 20 leading bytes join the first unit, the second runs to the end.
  stdArrive(b, PendingUnits{&units, 0, 0, 1000}, 2, 0, 1000);
  ASSERT_EQ(b.queue.size(), 2u);
  EXPECT_EQ(b.queue[0].size, 700);
  EXPECT_EQ(b.queue[0].dts, 1100);
  EXPECT_EQ(b.queue[1].size, 300);
  EXPECT_EQ(b.occupancy, 1000);
  // Payload [1000, 1500): its first 400 bytes finish the unit still arriving.
  stdArrive(b, PendingUnits{&units, 2, 1000, 1000}, 3, 1000, 500);
  ASSERT_EQ(b.queue.size(), 3u);
  EXPECT_EQ(b.queue[1].size, 700);
  EXPECT_EQ(b.queue[2].size, 100);
  EXPECT_EQ(b.occupancy, 1500);
  // Decoded by SCR + 8; the last unit always stays.
  stdRemoveDecoded(b, 1100 - 8);
  EXPECT_EQ(b.queue.size(), 2u);
  EXPECT_EQ(b.occupancy, 800);
  stdRemoveDecoded(b, 100000);
  EXPECT_EQ(b.queue.size(), 1u);
  EXPECT_EQ(b.occupancy, 100);
}

// Sequence and GOP headers in front of a picture leave the buffer with that
// picture, also when they came with the packet before it.
TEST(MuxStdModel, HeadersInFrontOfAPictureLeaveWithIt) {
  StdBuffer b = audioBuffer();
  ScanList units = {unitAt(0, 100), unitAt(1200, 200), unitAt(1800, 300)};
  units[1].lead = 300;  // headers from 900: 100 bytes of them in the first packet
  units[2].lead = 148;  // headers from 1652, in the same packet as the picture
  stdArrive(b, PendingUnits{&units, 0, 0, 0}, 1, 0, 1000);
  ASSERT_EQ(b.queue.size(), 1u);
  EXPECT_EQ(b.queue[0].size, 1000);
  stdArrive(b, PendingUnits{&units, 1, 1000, 0}, 2, 1000, 500);
  ASSERT_EQ(b.queue.size(), 2u);
  EXPECT_EQ(b.queue[0].size, 900);
  EXPECT_EQ(b.queue[1].size, 600);
  stdArrive(b, PendingUnits{&units, 2, 1500, 0}, 3, 1500, 500);
  ASSERT_EQ(b.queue.size(), 3u);
  EXPECT_EQ(b.queue[1].size, 752);
  EXPECT_EQ(b.queue[2].size, 348);
  EXPECT_EQ(b.occupancy, 2000);
  // The first picture takes only its own bytes out.
  stdRemoveDecoded(b, 100);
  EXPECT_EQ(b.occupancy, 1100);
}

}  // namespace
}  // namespace cw
