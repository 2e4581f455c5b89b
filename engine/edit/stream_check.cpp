#include "engine/edit/stream_check.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "engine/analysis/mpeg1.h"
#include "engine/common/errors.h"
#include "engine/edit/check_es.h"
#include "engine/edit/check_input.h"
#include "engine/edit/check_system.h"

namespace cw {
namespace {

constexpr std::size_t kBlock = 65536;

enum class FileKind { System, Video, Audio, Unknown };

FileKind kindOf(CheckInput& in) {
  std::size_t n = 0;
  const std::uint8_t* p = in.view(0, 4096, n);
  std::size_t at = 0;
  while (at < n && p[at] == 0) ++at;
  if (at >= 2 && at + 2 <= n && p[at] == 1) {
    const std::uint8_t code = p[at + 1];
    if (code == mpeg1::kPackStart) return FileKind::System;
    if (code == mpeg1::kSequenceHeader) return FileKind::Video;
  }
  if (n >= 2 && p[0] == 0xFF && (p[1] & 0xF0) == 0xF0) return FileKind::Audio;
  return FileKind::Unknown;
}

// Feeds the whole input to one elementary-stream check.
template <typename Check>
void checkElementary(CheckInput& in, Check& check) {
  for (std::int64_t at = 0; at < in.size();) {
    std::size_t n = 0;
    const std::uint8_t* p = in.view(at, kBlock, n);
    if (p == nullptr || n == 0) break;
    n = std::min(n, kBlock);
    check.feed(p, n, at, -1.0);
    check.units.clear();
    at += static_cast<std::int64_t>(n);
  }
  check.finish(-1.0);
}

void checkInput(CheckInput& in, CheckReport& report) {
  switch (kindOf(in)) {
    case FileKind::System:
      checkSystemStream(in, report);
      break;
    case FileKind::Video: {
      report.fileKind = "video stream";
      VideoCheck video(report, mpeg1::kVideoStream0);
      checkElementary(in, video);
      break;
    }
    case FileKind::Audio: {
      report.fileKind = "audio stream";
      AudioCheck audio(report, mpeg1::kAudioStream0);
      checkElementary(in, audio);
      break;
    }
    case FileKind::Unknown:
      report.fileKind = "unknown";
      report.add(CheckKind::Syntax, 0, -1.0, "not an MPEG-1 system, video or audio stream");
      break;
  }
}

}  // namespace

const char* checkKindName(CheckKind kind) {
  switch (kind) {
    case CheckKind::Syntax:
      return "syntax";
    case CheckKind::Overflow:
      return "overflow";
    case CheckKind::Underflow:
      return "underflow";
    case CheckKind::TimeStamp:
      return "time-stamp";
    case CheckKind::Clock:
      return "clock";
    case CheckKind::VideoCd:
      return "videocd";
    case CheckKind::Structure:
      return "structure";
    case CheckKind::Sound:
      return "sound";
  }
  return "?";
}

std::int64_t CheckReport::problemCount() const {
  return std::accumulate(counts.begin(), counts.end(), std::int64_t{0});
}

void CheckReport::add(CheckKind kind, std::int64_t offset, double seconds, std::string text) {
  std::int64_t& n = counts[static_cast<std::size_t>(kind)];
  if (n++ < kKeptPerKind) problems.push_back({kind, offset, seconds, std::move(text)});
}

const CheckProblem* CheckReport::first() const {
  const CheckProblem* first = nullptr;
  for (const CheckProblem& p : problems)
    if (first == nullptr || p.offset < first->offset) first = &p;
  return first;
}

int checkFile(const std::string& path, CheckReport& report) {
  platform::File file;
  if (!file.open(path, platform::OpenMode::Read)) return kErrFileRead;
  CheckInput in(file);
  if (!in.readFailed()) checkInput(in, report);
  return in.readFailed() ? kErrFileRead : kErrOk;
}

void checkBytes(const std::uint8_t* data, std::size_t size, CheckReport& report) {
  CheckInput in(data, size);
  checkInput(in, report);
}

std::string checkVerdict(const CheckReport& report) {
  const CheckProblem* p = report.first();
  if (p == nullptr) return "no problems";
  char where[64];
  if (p->seconds >= 0.0)
    std::snprintf(where, sizeof where, "at %.3f s, byte %lld", p->seconds,
                  static_cast<long long>(p->offset));
  else
    std::snprintf(where, sizeof where, "at byte %lld", static_cast<long long>(p->offset));
  return std::string(checkKindName(p->kind)) + " " + where + ": " + p->text;
}

}  // namespace cw
