// Test helpers for the multiplexer: elementary streams made by ffmpeg and cut
// into access units here (independently of the demultiplexer), a reader that
// feeds them into the multiplexer's buffers block by block, and a parser of
// the multiplexer's output that replays the system target decoder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/analysis/scan.h"
#include "engine/edit/es_buffer.h"

namespace cw::test {

// Runs a shell command; returns its exit status and fills `output` with what
// it printed (stdout and stderr).
int runCommand(const std::string& command, std::string& output);
bool haveTool(const std::string& name);

// Folder for files the multiplexer tests make (created on demand).
std::string muxWorkDir();

// A whole elementary stream with its access units (absolute offsets; PTS
// and DTS counted from 0 as the demultiplexer counts them).
struct EsSource {
  std::vector<std::uint8_t> bytes;
  ScanList units;
  std::uint8_t header[15] = {};  // sequence header (12 bytes) or audio header (4)
  StreamParams params;
};

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& out);
// Video: pictures with DTS = decode index x T and PTS from the GOP position
// and temporal reference. Audio: frames at k x frame period.
bool loadVideoSource(const std::string& path, EsSource& out);
bool loadAudioSource(const std::string& path, EsSource& out);

// Makes (once) a VideoCD-like video .m1v and audio .mp2 with ffmpeg; empty
// strings when ffmpeg is missing or fails. `name` picks the variant:
// "vcd" 352x240 29.97 1150 kbit/s + 224 kbit/s 44.1 kHz; "loud" a small video
// with a higher audio than video bit rate.
struct EsPair {
  std::string video;
  std::string audio;
};
EsPair makeEsPair(const std::string& name);

// Feeds sources into buffers `blockSize` bytes per stream and call, like a
// demultiplexer step: compacts, appends, adds the units of the new bytes and
// sets the end of data.
struct EsFeeder {
  const EsSource* source = nullptr;
  EsBuffer* buffer = nullptr;
  std::size_t position = 0;
  std::size_t nextUnit = 0;
  std::size_t blockSize = 32768;
  int step();  // 0 or the buffer's error
};

// The parsed output of a multiplex.
struct OutPacket {
  std::uint8_t id = 0;
  std::size_t packOffset = 0;  // file offset of the pack holding it
  std::size_t payloadAt = 0;   // file offset of the payload
  std::size_t payloadSize = 0;
  std::int64_t scr = 0;
  std::int64_t pts = -1;
  std::int64_t dts = -1;
  bool hasStd = false;
  int stdScale = 0, stdSize = 0;
  int stuffing = 0;
  int packetLength = 0;
};
struct OutPack {
  std::size_t offset = 0;
  std::size_t size = 0;      // up to the next pack / end code, zero fill excluded
  std::size_t zeroFill = 0;  // zero bytes behind it
  std::int64_t scr = 0;
  int muxRate = 0;
  bool systemHeader = false;
  bool endCode = false;
  std::uint8_t dataId = 0;  // 0xE0 / 0xC0 when it carries one, else 0
};
struct ParsedOutput {
  std::vector<OutPack> packs;
  std::vector<OutPacket> packets;          // E0 and C0 only
  std::vector<std::uint8_t> video, audio;  // the reassembled elementary streams
  std::string error;                       // empty when the layout parsed
};
ParsedOutput parseOutput(const std::vector<std::uint8_t>& out);

// Replays the decoder buffer of one stream: bytes arrive at the mux rate from
// each pack's SCR, access units leave at their DTS (taken from the packet
// stamps, counted on by `period` for units without one). Reports the worst
// occupancy and the worst lateness of a unit's last byte.
struct StdReplay {
  std::int64_t peak = 0;
  double worstLateTicks = -1e18;  // > 0: a unit finished arriving after its DTS
  std::size_t units = 0;
  std::string error;
};
StdReplay replayVideoBuffer(const ParsedOutput& p, int muxRate, double period);
StdReplay replayAudioBuffer(const ParsedOutput& p, int muxRate, double period);

}  // namespace cw::test
