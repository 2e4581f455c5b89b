// Head and tail analysis of elementary streams. Without time stamps the
// times are mapped linearly from byte positions at the declared bit rate.
#include <algorithm>
#include <cstring>
#include <new>

#include "engine/analysis/head_tail.h"
#include "engine/analysis/head_tail_window.h"
#include "engine/analysis/mpeg1.h"
#include "engine/analysis/scanners.h"
#include "engine/analysis/stream_params.h"
#include "engine/common/errors.h"

namespace cw {

using namespace window_detail;

namespace {

constexpr std::int64_t kHeadWindow = 10240;

int checkPreconditions(const platform::File& file, const StreamDescriptor& d, std::int16_t type,
                       std::int64_t& length) {
  if (!file.isOpen()) return kErrSourceRead;
  if (d.type != type) return kErrWrongType;
  length = file.length();
  if (length < 0) return kErrSourceRead;
  if (length < 1024) return kErrTooShort;
  return 0;
}

void storeLinear(StreamDescriptor& d, std::int64_t start, std::int64_t end, double byteRate) {
  const StreamArea head{start, start, start};
  const StreamArea tail{end, end, end};
  const auto last = static_cast<std::int64_t>(static_cast<double>(end - start) *
                                              static_cast<double>(mpeg1::kClock) / byteRate);
  d.head = head;
  d.tail = tail;
  d.firstTime = 0;
  d.lastTime = last;
  d.workHead = head;
  d.workTail = tail;
  d.workFirstTime = 0;
  d.workLastTime = last;
}

// Where the usable video ends: the last code of the tail window, moved back
// onto the sequence header before a final GOP and onto the sequence end
// before such a header.
std::uint32_t videoEndPoint(const ScanList& codes) {
  std::size_t i = codes.size() - 1;
  if (codes[i].kind == mpeg1::kGroupStart && i > 0 && codes[i - 1].kind == mpeg1::kSequenceHeader) {
    --i;
  }
  if (codes[i].kind == mpeg1::kSequenceHeader && i > 0 &&
      codes[i - 1].kind == mpeg1::kSequenceEnd) {
    --i;
  }
  return codes[i].start;
}

int videoRateError(const mpeg1::SequenceHeader& seq) {
  if (seq.bitRateValue == 0) return kErrVideoBitRate;          // forbidden in the syntax
  if (seq.bytesPerSecond <= 0.0) return kErrFreeVideoBitRate;  // variable: no rate to map time with
  return 0;
}

int analyseVideo(platform::File& file, StreamInfo& info) {
  std::int64_t length = 0;
  int status = checkPreconditions(file, info.video, kTypeVideoOnly, length);
  if (status != 0) return status;

  ScanBuffer head;
  status = readWindow(file, 0, std::min(kHeadWindow, length), head);
  if (status != 0) return status;
  std::int64_t start = -1;
  const std::uint8_t gopCode[4] = {0, 0, 1, mpeg1::kGroupStart};
  for (std::uint32_t at = 0; at + 12 < head.size(); ++at) {
    if (std::memcmp(head.data.data() + at, gopCode, 4) == 0) {
      start = at;
      break;
    }
  }
  if (start < 0) return kErrNoGopInVideoFile;

  mpeg1::SequenceHeader seq;
  status = mpeg1::decodeSequenceHeader(info.video.header, seq);
  if (status != 0) return status;
  status = videoRateError(seq);
  if (status != 0) return status;

  const auto oneSecond = static_cast<std::int64_t>(seq.bytesPerSecond);
  const std::int64_t tailSize = std::min({oneSecond, length, kMaxWindow});
  ScanBuffer tail;
  status = readWindow(file, length - tailSize, tailSize, tail);
  if (status != 0) return status;
  VideoScan scan;
  const int scanned = scanPicturesAndCodes(tail, wholeBuffer(tail), scan.pictures, scan.codes);
  if (scanned == kForbiddenPicture) {
    if (scanVideoCodes(tail, wholeBuffer(tail), scan.codes) != 0) return kErrMemory;
  } else if (scanned != 0) {
    return kErrMemory;
  }
  const ScanList& codes = scan.codes;
  if (codes.empty()) return kErrTailNoVideoCut;

  std::int64_t end = tail.fileOffset + videoEndPoint(codes);
  // Without a sequence end code (ffmpeg writes none) the end of the file
  // ends the last GOP, when its pictures are all there.
  if (scanned == 0 && codes.back().kind != mpeg1::kSequenceEnd &&
      lastGopIsWhole(scan, static_cast<std::uint32_t>(tail.size()))) {
    end = length;
  }
  if (end <= start) return kErrTooShort;  // a single GOP: nothing to cut
  storeLinear(info.video, start, end, seq.bytesPerSecond);
  return 0;
}

int audioHeaderError(const std::uint8_t* h) {
  if ((h[1] & 0x06) == 0) return kErrAudioLayer;
  if ((h[2] & 0x0C) == 0x0C) return kErrAudioFrequency;
  if ((h[2] >> 4) == 15) return kErrAudioBitRate;
  if ((h[2] >> 4) == 0) return kErrFreeAudioBitRate;
  return 0;
}

int analyseAudio(platform::File& file, StreamInfo& info) {
  std::int64_t length = 0;
  int status = checkPreconditions(file, info.audio, kTypeAudioOnly, length);
  if (status != 0) return status;

  ScanBuffer head;
  status = readWindow(file, 0, std::min(kHeadWindow, length), head);
  if (status != 0) return status;
  // The first exact copy of the stored header; failing that, the last
  // position searched.
  std::int64_t start = static_cast<std::int64_t>(head.size()) - 4;
  for (std::uint32_t at = 0; at + 4 <= head.size(); ++at) {
    if (std::memcmp(head.data.data() + at, info.audio.header, 4) == 0) {
      start = at;
      break;
    }
  }

  status = audioHeaderError(info.audio.header);
  if (status != 0) return status;
  const StreamParams params = makeStreamParams(mpeg1::kAudioStream0, info.audio.header);
  if (params.status != 0 || params.bitRate <= 0.0) return kErrAudioLayer;

  const auto oneSecond = static_cast<std::int64_t>(params.bitRate);
  const std::int64_t tailSize = std::min({oneSecond, length, kMaxWindow});
  ScanBuffer tail;
  status = readWindow(file, length - tailSize, tailSize, tail);
  if (status != 0) return status;
  tail.audio = params;
  ScanList frames;
  if (scanAudioFramesElementary(tail, frames) != 0) return kErrMemory;
  if (frames.empty()) return kErrTailNoAudioFrames;

  const std::int64_t lastFrame = tail.fileOffset + frames.back().start;
  const std::int64_t remaining = length - lastFrame;
  const int padding = params.layer == 1 ? 4 : 1;
  const bool complete =
      remaining == params.frameLength || remaining == params.frameLength + padding;
  const std::int64_t end = complete ? length : lastFrame;
  if (end <= start) return kErrTooShort;
  storeLinear(info.audio, start, end, params.bitRate);
  return 0;
}

}  // namespace

int analyseVideoOnly(platform::File& file, StreamInfo& info) {
  try {
    return analyseVideo(file, info);
  } catch (const std::bad_alloc&) {
    return kErrMemory;
  }
}

int analyseAudioOnly(platform::File& file, StreamInfo& info) {
  try {
    return analyseAudio(file, info);
  } catch (const std::bad_alloc&) {
    return kErrMemory;
  }
}

}  // namespace cw
