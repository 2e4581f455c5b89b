#include "support/ffprobe.h"

#include <algorithm>
#include <sstream>

#include "support/json.h"
#include "support/process.h"

namespace cw::test {

namespace {

bool probeJson(const std::vector<std::string>& arguments, Json& result) {
  std::vector<std::string> argv = {"ffprobe", "-v", "error", "-of", "json"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  CommandResult run = runProgram(argv);
  return run.exitCode == 0 && Json::parse(run.out, result);
}

std::int64_t integerOr(const Json& object, const std::string& key, std::int64_t fallback) {
  return static_cast<std::int64_t>(object.numberOr(key, static_cast<double>(fallback)));
}

ProbeStream streamFrom(const Json& s) {
  ProbeStream stream;
  stream.index = static_cast<int>(s.numberOr("index", -1));
  std::string id = s.stringOr("id", "");
  if (!id.empty()) stream.id = static_cast<int>(std::stol(id, nullptr, 0) & 0xFF);
  stream.type = s.stringOr("codec_type", "");
  stream.codec = s.stringOr("codec_name", "");
  stream.width = static_cast<int>(s.numberOr("width", 0));
  stream.height = static_cast<int>(s.numberOr("height", 0));
  stream.frameRate = s.numberOr("r_frame_rate", 0.0);
  stream.bitRate = s.numberOr("bit_rate", 0.0);
  stream.sampleRate = static_cast<int>(s.numberOr("sample_rate", 0));
  stream.channels = static_cast<int>(s.numberOr("channels", 0));
  stream.startTime = s.numberOr("start_time", 0.0);
  stream.duration = s.numberOr("duration", 0.0);
  return stream;
}

}  // namespace

const ProbeStream* ProbeInfo::first(const std::string& type) const {
  for (const auto& stream : streams)
    if (stream.type == type) return &stream;
  return nullptr;
}

int ProbeInfo::count(const std::string& type) const {
  int n = 0;
  for (const auto& stream : streams) n += stream.type == type;
  return n;
}

ProbeInfo ffprobeFile(const std::string& path) {
  ProbeInfo info;
  Json root;
  if (!probeJson({"-show_format", "-show_streams", path}, root)) return info;
  info.ok = true;
  const Json& format = root["format"];
  info.formatName = format.stringOr("format_name", "");
  info.duration = format.numberOr("duration", 0.0);
  info.bitRate = format.numberOr("bit_rate", 0.0);
  for (const Json& s : root["streams"].items()) info.streams.push_back(streamFrom(s));
  return info;
}

std::vector<ProbeFrame> ffprobeFrames(const std::string& path, const std::string& stream) {
  std::vector<ProbeFrame> frames;
  Json root;
  if (!probeJson({"-select_streams", stream, "-show_entries",
                  "frame=media_type,pts,pts_time,pkt_dts,pkt_dts_time,pict_type,key_frame,"
                  "pkt_pos,pkt_size,nb_samples",
                  path},
                 root))
    return frames;
  for (const Json& f : root["frames"].items()) {
    ProbeFrame frame;
    frame.mediaType = f.stringOr("media_type", "");
    frame.pts = integerOr(f, "pts", -1);
    frame.pktDts = integerOr(f, "pkt_dts", -1);
    frame.ptsTime = f.numberOr("pts_time", -1.0);
    frame.pktDtsTime = f.numberOr("pkt_dts_time", -1.0);
    std::string type = f.stringOr("pict_type", "?");
    frame.pictType = type.empty() ? '?' : type[0];
    frame.keyFrame = f.numberOr("key_frame", 0) != 0;
    frame.pktPos = integerOr(f, "pkt_pos", -1);
    frame.pktSize = integerOr(f, "pkt_size", -1);
    frame.nbSamples = static_cast<int>(f.numberOr("nb_samples", 0));
    frames.push_back(frame);
  }
  return frames;
}

std::vector<ProbePacket> ffprobePackets(const std::string& path, const std::string& stream) {
  std::vector<ProbePacket> packets;
  Json root;
  if (!probeJson({"-select_streams", stream, "-show_entries",
                  "packet=pts,pts_time,dts,dts_time,pos,size,flags", path},
                 root))
    return packets;
  for (const Json& p : root["packets"].items()) {
    ProbePacket packet;
    packet.pts = integerOr(p, "pts", -1);
    packet.dts = integerOr(p, "dts", -1);
    packet.ptsTime = p.numberOr("pts_time", -1.0);
    packet.dtsTime = p.numberOr("dts_time", -1.0);
    packet.pos = integerOr(p, "pos", -1);
    packet.size = integerOr(p, "size", -1);
    packet.key = p.stringOr("flags", "").find('K') != std::string::npos;
    packets.push_back(packet);
  }
  return packets;
}

int longestGop(const std::vector<ProbeFrame>& videoFrames) {
  int longest = 0;
  int run = 0;
  for (const auto& frame : videoFrames) {
    if (frame.keyFrame && run > 0) {
      longest = std::max(longest, run);
      run = 0;
    }
    ++run;
  }
  return std::max(longest, run);
}

std::string ffmpegDecodeErrors(const std::string& path) {
  CommandResult run = runProgram(
      {"ffmpeg", "-nostdin", "-hide_banner", "-v", "error", "-i", path, "-f", "null", "-"}, true);
  if (run.exitCode != 0 && run.out.empty())
    return "ffmpeg failed with status " + std::to_string(run.exitCode);
  return run.out;
}

std::vector<FrameHash> framemd5(const std::string& path, const std::string& map) {
  std::vector<std::string> argv = {"ffmpeg", "-nostdin", "-hide_banner", "-v", "error", "-i", path};
  if (!map.empty()) argv.insert(argv.end(), {"-map", map});
  argv.insert(argv.end(), {"-f", "framemd5", "-"});
  std::vector<FrameHash> hashes;
  CommandResult run = runProgram(argv);
  if (run.exitCode != 0) return hashes;
  // Lines: stream_index, dts, pts, duration, size, hash (comments start with #).
  for (const auto& line : splitLines(run.out)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    FrameHash hash;
    std::string dts, pts, duration, size, md5;
    char comma = 0;
    if (!(fields >> hash.streamIndex >> comma)) continue;
    std::getline(fields, dts, ',');
    std::getline(fields, pts, ',');
    std::getline(fields, duration, ',');
    std::getline(fields, size, ',');
    std::getline(fields, md5);
    hash.pts = std::stoll(pts);
    hash.size = std::stoll(size);
    auto first = md5.find_first_not_of(' ');
    hash.md5 = first == std::string::npos ? "" : md5.substr(first);
    hashes.push_back(hash);
  }
  return hashes;
}

}  // namespace cw::test
