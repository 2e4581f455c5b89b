#include "crop_accept_checks.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>

#include "engine/edit/stream_check.h"
#include "support/ffprobe.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/validation.h"

namespace cw::test::accept {

namespace {

using u8 = std::uint8_t;

u8 byteAt(const std::string& s, std::size_t i) { return static_cast<u8>(s[i]); }

constexpr int kAudioKbps[3][15] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}};

// Video bit rate of the first sequence header, bytes per second (0 when
// there is none or the rate is variable).
double videoByteRate(const std::string& es) {
  for (std::size_t i = 0; i + 12 <= es.size(); ++i) {
    if (byteAt(es, i) == 0 && byteAt(es, i + 1) == 0 && byteAt(es, i + 2) == 1 &&
        byteAt(es, i + 3) == 0xB3) {
      const int rate = byteAt(es, i + 8) << 10 | byteAt(es, i + 9) << 2 | byteAt(es, i + 10) >> 6;
      return rate == 0x3FFFF ? 0.0 : rate * 400.0 / 8.0;
    }
  }
  return 0.0;
}

int audioKbps(const std::string& es) {
  if (es.size() < 4 || byteAt(es, 0) != 0xFF) return 0;
  const int layer = 4 - ((byteAt(es, 1) >> 1) & 3);
  const int index = byteAt(es, 2) >> 4;
  if (layer < 1 || layer > 3 || index == 15) return 0;
  return kAudioKbps[layer - 1][index];
}

// One ffmpeg run gives both what it complains about and how many frames of
// each stream it decoded (framecrc writes one line per decoded frame).
struct Decode {
  std::string messages;
  std::map<int, int> framesPerStream;
};
Decode decodeAll(const std::string& path) {
  const CommandResult r = runProgram(
      {"ffmpeg", "-nostdin", "-hide_banner", "-v", "error", "-i", path, "-f", "framecrc", "-"},
      true);
  Decode d;
  for (const std::string& line : splitLines(r.out)) {
    if (line.empty() || line[0] == '#') continue;
    char* end = nullptr;
    const long stream = std::strtol(line.c_str(), &end, 10);
    if (end != line.c_str() && *end == ',') {
      ++d.framesPerStream[static_cast<int>(stream)];
    } else {
      d.messages += line + "\n";
    }
  }
  if (r.exitCode != 0) d.messages += "ffmpeg exit status " + std::to_string(r.exitCode) + "\n";
  return d;
}

std::string sourceAudioCodec(const SourceView& s) {
  const ProbeInfo info = ffprobeFile(s.path);
  const ProbeStream* audio = info.first("audio");
  return audio == nullptr ? "" : audio->codec;
}

// Pack checks of one record mode.
struct PackRules {
  std::int64_t videoPack, audioPack, paddingPack, audioZeroFill, firstPackSize;
  int muxRate;
};

std::string packDefects(const SystemStream& out, const PackRules& rules, bool videoCd) {
  std::ostringstream d;
  int reported = 0;
  auto report = [&](std::size_t i, const std::string& what) {
    if (reported++ < 5) d << "pack " << i << " at " << out.packs[i].offset << ": " << what << "\n";
  };
  for (std::size_t i = 0; i < out.packs.size(); ++i) {
    const Pack& p = out.packs[i];
    if (p.muxRate != rules.muxRate) report(i, "mux rate " + std::to_string(p.muxRate));
    std::int64_t size = rules.paddingPack;
    std::int64_t zeros = 0;
    if (p.dataId == 0xE0) size = rules.videoPack;
    if (p.dataId == 0xC0 || (videoCd && i == 1)) {
      size = rules.audioPack;
      zeros = rules.audioZeroFill;
    }
    if (i == 0) size = rules.firstPackSize;
    if (p.size != size)
      report(i, "size " + std::to_string(p.size) + ", expected " + std::to_string(size));
    if (p.zeroFill != zeros) report(i, "zero fill " + std::to_string(p.zeroFill));
    if (p.dataId == 0 && !p.systemHeader && p.paddingPackets != 1)
      report(i, "padding pack without one padding packet");
  }
  if (out.packs.empty() || !out.packs.back().endCode) d << "no end code at the end\n";
  if (out.packs.size() < 2 || !out.packs[0].systemHeader ||
      (videoCd && !out.packs[1].systemHeader)) {
    d << "the leading system-header packs are missing\n";
  }
  return d.str();
}

// The SCR advances by the same pack time from pack to pack.
std::string clockDefects(const SystemStream& out, std::int64_t expectedStep) {
  std::ostringstream d;
  for (std::size_t i = 1; i < out.packs.size(); ++i) {
    const std::int64_t step = out.packs[i].scr - out.packs[i - 1].scr;
    if (step != expectedStep) {
      d << "SCR step " << step << " (expected " << expectedStep << ") at pack " << i << "\n";
      break;
    }
  }
  return d.str();
}

// The cut-in treatment of the output's first GOP, against the source GOP at
// the cut-in point.
std::string treatmentDefects(const VideoSyntax& src, std::int64_t cutIn, int dead, bool removeDeadB,
                             const VideoSyntax& out) {
  const GopHeader* srcGop = gopAtOrAfter(src, cutIn);
  if (srcGop == nullptr || out.gops.empty() || out.pictures.empty())
    return "no GOP at the cut-in\n";
  const GopHeader& gop = out.gops.front();
  const Picture& first = out.pictures.front();
  std::ostringstream d;
  auto flags = [](const GopHeader& g) {
    return std::string("closed_gop ") + (g.closed ? "1" : "0") + " broken_link " +
           (g.brokenLink ? "1" : "0");
  };
  int srcFirstReference = -1;
  for (const Picture& p : src.pictures) {
    if (p.offset > srcGop->offset) {
      srcFirstReference = p.temporalReference;
      break;
    }
  }
  if (first.type != 'I') d << "first picture is a " << first.type << "-picture\n";
  if (srcGop->closed) {
    if (gop.closed != srcGop->closed || gop.brokenLink != srcGop->brokenLink ||
        first.temporalReference != srcFirstReference) {
      d << "closed first GOP changed: " << flags(gop) << ", temporal reference "
        << first.temporalReference << "\n";
    }
  } else if (removeDeadB && dead > 0) {
    if (!gop.closed || gop.brokenLink || first.temporalReference != 0) {
      d << "dead B-pictures removed but the GOP reads " << flags(gop) << ", temporal reference "
        << first.temporalReference << "\n";
    }
  } else if (!removeDeadB) {
    if (!gop.brokenLink || gop.closed || first.temporalReference != srcFirstReference) {
      d << "open GOP kept but it reads " << flags(gop) << ", temporal reference "
        << first.temporalReference << "\n";
    }
  }
  return d.str();
}

}  // namespace

// DTS (PTS where a picture has no DTS) of the video and PTS of the audio
// rise from packet to packet; so do the PTS of reference pictures and those
// of B-pictures, each in their own sequence.
std::string timeStampDefects(const SystemStream& out) {
  std::ostringstream d;
  std::int64_t video = -1, reference = -1, bidirectional = -1, audio = -1;
  auto rise = [&](std::int64_t& last, std::int64_t now, const char* what) {
    if (last >= 0 && now <= last) d << what << " steps back: " << last << " then " << now << "\n";
    last = now;
  };
  for (const Packet& p : out.packets) {
    if (p.pts < 0) continue;
    if (p.id == 0xC0) {
      rise(audio, p.pts, "audio PTS");
      continue;
    }
    rise(video, p.dts >= 0 ? p.dts : p.pts, "video DTS");
    if (p.dts >= 0) {
      rise(reference, p.pts, "PTS of I/P-pictures");
      if (p.pts < p.dts) d << "PTS " << p.pts << " before DTS " << p.dts << "\n";
    } else {
      rise(bidirectional, p.pts, "PTS of B-pictures");
    }
  }
  if (video < 0 && audio < 0) d << "no time stamps\n";
  return d.str();
}

SourceView viewSource(const std::string& name, const std::string& path) {
  SourceView s;
  s.name = name;
  s.path = path;
  s.md5 = md5OfFile(path);
  const std::string bytes = readFile(path);
  s.system = bytes.size() > 4 && bytes.compare(0, 4, std::string("\0\0\1\xBA", 4)) == 0;
  if (s.system) {
    SystemStream stream = readSystemStream(bytes, false);
    if (!stream.packs.empty()) s.declaredMuxRate = stream.packs.front().muxRate;
    s.video = std::move(stream.video);
    s.audio = std::move(stream.audio);
  } else if (bytes.size() > 4 && bytes.compare(0, 4, std::string("\0\0\1\xB3", 4)) == 0) {
    s.video = wholeFile(bytes);
  } else {
    s.audio = wholeFile(bytes);
  }
  s.videoSyntax = readVideoSyntax(s.video.bytes);
  return s;
}

OutputKind outputKind(const SourceView& source, int mode) {
  if (!source.system) return source.video.bytes.empty() ? OutputKind::Audio : OutputKind::Video;
  return mode == 3 ? OutputKind::Video : mode == 4 ? OutputKind::Audio : OutputKind::System;
}

std::string decodeDefects(const SourceView& source, const CropRun& run, int& videoFrames,
                          int& audioFrames) {
  std::ostringstream d;
  const Decode decode = decodeAll(run.output);
  d << decode.messages;
  const ProbeInfo info = ffprobeFile(run.output);
  const OutputKind kind = outputKind(source, run.mode);
  const int wantVideo = kind == OutputKind::Audio ? 0 : 1;
  const int wantAudio = kind == OutputKind::Video ? 0 : 1;
  if (!info.ok || info.count("video") != wantVideo || info.count("audio") != wantAudio) {
    d << "ffprobe sees " << info.count("video") << " video and " << info.count("audio")
      << " audio streams, expected " << wantVideo << " and " << wantAudio << "\n";
    return d.str();
  }
  videoFrames = audioFrames = 0;
  for (const ProbeStream& s : info.streams) {
    const auto frames = decode.framesPerStream.find(s.index);
    const int n = frames == decode.framesPerStream.end() ? 0 : frames->second;
    if (s.type == "video") {
      videoFrames = n;
      if (s.codec != "mpeg1video") d << "video codec " << s.codec << "\n";
    } else if (s.type == "audio") {
      audioFrames = n;
      const std::string codec = sourceAudioCodec(source);
      if (s.codec != codec) d << "audio codec " << s.codec << ", source " << codec << "\n";
    }
  }
  return d.str();
}

std::string pictureDefects(const SourceView& source, const StreamInfo& info, const CropRun& run,
                           const std::string& outputVideo, int decodedFrames) {
  std::ostringstream d;
  const std::int64_t cutIn = source.video.esOffsetOf(info.video.workHead.point);
  const std::int64_t cutOut = source.video.esOffsetOf(info.video.workTail.point);
  if (cutIn < 0 || cutOut < cutIn) return "the video cut points lie outside the video payloads\n";
  const VideoSyntax out = readVideoSyntax(outputVideo);
  const int dead = deadBPictures(source.videoSyntax, cutIn);
  const int between = picturesBetween(source.videoSyntax, cutIn, cutOut);
  const int expected = between - (run.removeDeadB ? dead : 0);
  const int written = static_cast<int>(out.pictures.size());
  if (written != expected) {
    d << written << " pictures written, expected " << expected << " (" << between
      << " between the cut points, " << dead << " dead B-pictures)\n";
  }
  // A decoder cannot show B-pictures kept in front of a broken link.
  const int shown = written - (run.removeDeadB ? 0 : dead);
  if (decodedFrames != shown) d << decodedFrames << " pictures decoded, expected " << shown << "\n";
  d << treatmentDefects(source.videoSyntax, cutIn, dead, run.removeDeadB, out);
  const std::string sequenceEnd("\0\0\1\xB7", 4);
  if (outputVideo.compare(0, 4, std::string("\0\0\1\xB3", 4)) != 0)
    d << "video does not start with a sequence header\n";
  if (outputVideo.size() < 4 || outputVideo.compare(outputVideo.size() - 4, 4, sequenceEnd) != 0) {
    d << "video does not end with a sequence end code\n";
  }
  return d.str();
}

std::string audioDefects(const SourceView& source, const StreamInfo& info,
                         const std::string& outputAudio, int decodedFrames) {
  std::ostringstream d;
  const std::string expected =
      source.audio.slice(info.audio.workHead.point, info.audio.workTail.point);
  if (expected.empty()) return "the audio cut points lie outside the audio payloads\n";
  if (outputAudio != expected) {
    d << "audio differs from the source between the cut points (" << outputAudio.size()
      << " bytes, source " << expected.size() << ")\n";
  }
  const int frames = countAudioFrames(outputAudio);
  if (frames <= 0) d << "audio is not a run of whole frames\n";
  if (frames != decodedFrames) d << decodedFrames << " audio frames decoded of " << frames << "\n";
  return d.str();
}

int expectedMuxRate(const SourceView& source, int measuredMuxRate) {
  const double bytes = (videoByteRate(source.video.bytes) + audioKbps(source.audio.bytes) * 125.0) *
                       2048.0 / (2048.0 - 30.0);
  double r = bytes * 0.02;
  r *= r >= 1000.0 ? 1.005 : 1.5;
  const int computed = static_cast<int>(std::floor(r)) + 1;
  return std::max({computed, source.declaredMuxRate, measuredMuxRate});
}

std::string layoutDefects(const SourceView& source, const SystemStream& out, int mode,
                          int measuredMuxRate) {
  if (!out.error.empty()) return "layout: " + out.error + "\n";
  std::ostringstream d;
  if (mode == 0) {
    const int rate = expectedMuxRate(source, measuredMuxRate);
    d << packDefects(out, {2048, 2048, 2042, 0, 2048, rate}, false);
    d << clockDefects(out, static_cast<std::int64_t>(std::ceil(2048.0 * 90000.0 / (50.0 * rate))));
  } else {
    d << packDefects(out, {2324, 2304, 2324, mode == 2 ? 20 : 0, 2324, 3528}, true);
    d << clockDefects(out, 1200);
  }
  d << timeStampDefects(out);
  return d.str();
}

std::string vcdimagerDefects(const std::string& output, const SystemStream& out, int mode,
                             const std::string& workDir) {
  // A fresh image each time: vcdimager warns when it overwrites one.
  const CommandResult r =
      runCommand("cd " + shellQuote(workDir) + " && vcdimager -t vcd2 -c image.cue -b image.bin " +
                 shellQuote(output) + " 2>&1; s=$?; rm -f image.cue image.bin; exit $s");
  std::ostringstream d;
  if (r.exitCode != 0 || r.out.find("finished ok") == std::string::npos) {
    return "vcdimager failed: " + r.out + "\n";
  }
  std::int64_t audioPacks = 0;
  for (const Pack& p : out.packs) audioPacks += p.dataId == 0xC0;
  // Mode 1 leaves the sector padding to vcdimager: 20 bytes behind every
  // audio pack, the audio system-header pack included.
  const std::string padding =
      "insert additional " + std::to_string(20 * (audioPacks + 1)) + " zero bytes";
  for (const std::string& line : splitLines(r.out)) {
    if (line.find("WARN") == std::string::npos) continue;
    const bool onTheFly = line.find("padded on the fly") != std::string::npos ||
                          line.find(padding) != std::string::npos;
    if (mode == 2 || !onTheFly) d << "vcdimager: " << line << "\n";
  }
  if (mode == 1 && r.out.find(padding) == std::string::npos)
    d << "vcdimager did not pad " << padding << ":\n" << r.out;
  return d.str();
}

// Sources whose streams keep the VideoCD limits, so vcdimager takes their
// VideoCD outputs.
bool videoCdSource(const std::string& name) {
  return name.rfind("vcd_", 0) == 0 || name == "mjpeg_vcd.mpg" || name == "syncflash.mpg";
}

std::string engineCheckDefects(const std::string& path, bool videoCdStreams) {
  CheckReport report;
  if (checkFile(path, report) != 0) return "check: cannot read " + path + "\n";
  std::string defects;
  for (const CheckProblem& p : report.problems) {
    if (p.kind == CheckKind::VideoCd && !videoCdStreams) continue;
    defects += std::string("check: ") + checkKindName(p.kind) + " at byte " +
               std::to_string(p.offset) + ": " + p.text + "\n";
  }
  return defects;
}

std::string outputDefects(const SourceView& view, const StreamInfo& source, const CropRun& run,
                          const std::string& workDir, int& videoFrames) {
  int audioFrames = 0;
  videoFrames = 0;
  std::string defects = decodeDefects(view, run, videoFrames, audioFrames);
  const OutputKind kind = outputKind(view, run.mode);
  const std::string bytes = readFile(run.output);
  defects += engineCheckDefects(run.output, videoCdSource(view.name));
  if (kind == OutputKind::System) {
    const SystemStream out = readSystemStream(bytes, true);
    defects += layoutDefects(view, out, run.mode, source.muxRateMeasured);
    defects += pictureDefects(view, source, run, out.video.bytes, videoFrames);
    defects += audioDefects(view, source, out.audio.bytes, audioFrames);
    const StdCheckResult std = runStdCheck(run.output);
    if (std.exitCode != 0) {
      defects += "cw-std-check exit " + std::to_string(std.exitCode) + "\n";
      for (const std::string& f : std.findings) defects += "  " + f + "\n";
    }
    if (run.mode != 0 && videoCdSource(view.name)) {
      defects += vcdimagerDefects(run.output, out, run.mode, workDir);
    }
  } else if (kind == OutputKind::Video) {
    defects += pictureDefects(view, source, run, bytes, videoFrames);
  } else {
    defects += audioDefects(view, source, bytes, audioFrames);
  }
  return defects;
}

}  // namespace cw::test::accept
