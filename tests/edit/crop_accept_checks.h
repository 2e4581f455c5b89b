// What a correct crop output looks like from the outside. Each check returns
// the defects it found, one per line; empty when there are none.
#pragma once

#include <string>

#include "crop_accept_stream.h"
#include "engine/analysis/stream_info.h"

namespace cw::test::accept {

// The source of a crop as an outside reader sees it.
struct SourceView {
  std::string name;
  std::string path;
  std::string md5;
  bool system = false;
  int declaredMuxRate = 0;  // of the first pack; 0 for elementary streams
  EsMap video;              // the file itself for a video elementary stream
  EsMap audio;
  VideoSyntax videoSyntax;
};
SourceView viewSource(const std::string& name, const std::string& path);

// One crop as the sweep ran it.
struct CropRun {
  int mode = 0;  // record mode as passed; elementary sources ignore it
  bool removeDeadB = true;
  std::string output;  // path of the record file
};

enum class OutputKind { System, Video, Audio };
OutputKind outputKind(const SourceView& source, int mode);

// ffmpeg decodes the output without a message and ffprobe sees the streams
// the mode makes, with the source's codecs.
std::string decodeDefects(const SourceView& source, const CropRun& run, int& videoFrames,
                          int& audioFrames);

// Pictures: the output holds the source's pictures between the cut points
// less the removed dead B-pictures, ffmpeg shows all but leading B-pictures
// kept behind a broken link, and the first GOP got the cut-in treatment.
// `info` is the source record with the cut points the analyses chose.
std::string pictureDefects(const SourceView& source, const StreamInfo& info, const CropRun& run,
                           const std::string& outputVideo, int decodedFrames);

// Audio: the output's audio is the source's audio between the cut points,
// byte for byte, in whole frames that all decode.
std::string audioDefects(const SourceView& source, const StreamInfo& info,
                         const std::string& outputAudio, int decodedFrames);

// System-stream layout of the record mode: pack sizes, zero fill, mux rate,
// clock steps, time stamps that never step back, the end code.
// `measuredMuxRate` is the source's measured mux rate.
std::string layoutDefects(const SourceView& source, const SystemStream& out, int mode,
                          int measuredMuxRate);

// DTS (PTS where a picture has no DTS) of the video and PTS of the audio
// rise from packet to packet; so do the PTS of reference pictures and those
// of B-pictures, each in their own sequence.
std::string timeStampDefects(const SystemStream& out);

// The MPEG System mux rate the multiplexer must declare for this source.
int expectedMuxRate(const SourceView& source, int measuredMuxRate);

// vcdimager builds a VideoCD image: mode 2 without any warning, mode 1 with
// only its on-the-fly padding of the audio packs.
std::string vcdimagerDefects(const std::string& output, const SystemStream& out, int mode,
                             const std::string& workDir);

// Sources whose streams keep the VideoCD limits, so vcdimager takes their
// VideoCD outputs.
bool videoCdSource(const std::string& name);

// What `clipwright-cli check` finds in the file, one problem a line;
// `videoCdStreams` false leaves out the VideoCD limits of the streams (a
// source that is no VideoCD written in the VideoCD layout).
std::string engineCheckDefects(const std::string& path, bool videoCdStreams);

// Every check above that applies to the output of `run` (cw-std-check and,
// for VideoCD sources in the VideoCD modes, vcdimager included); `source`
// holds the cut points. `videoFrames` receives the pictures ffmpeg decoded.
std::string outputDefects(const SourceView& view, const StreamInfo& source, const CropRun& run,
                          const std::string& workDir, int& videoFrames);

}  // namespace cw::test::accept
