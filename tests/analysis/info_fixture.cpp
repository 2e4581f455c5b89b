#include "info_fixture.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "engine/analysis/mpeg1.h"

extern char** environ;

namespace cw::test {

namespace {

std::size_t findCode(const std::vector<std::uint8_t>& b, std::uint8_t code, std::size_t from = 0) {
  for (std::size_t i = from; i + 4 <= b.size(); ++i) {
    if (b[i] == 0 && b[i + 1] == 0 && b[i + 2] == 1 && b[i + 3] == code) return i;
  }
  return std::string::npos;
}

bool storeSequenceHeader(const std::vector<std::uint8_t>& b, StreamInfo& info) {
  const std::size_t seq = findCode(b, mpeg1::kSequenceHeader);
  if (seq == std::string::npos || seq + 12 > b.size()) return false;
  std::memcpy(info.video.header, b.data() + seq, 12);
  info.video.header[11] &= 0xFC;
  return true;
}

bool storeFirstAudioHeader(const std::vector<std::uint8_t>& b, StreamInfo& info) {
  for (std::size_t p = findCode(b, mpeg1::kAudioStream0); p != std::string::npos;
       p = findCode(b, mpeg1::kAudioStream0, p + 4)) {
    mpeg1::PacketHeader h;
    const int avail = static_cast<int>(std::min<std::size_t>(b.size() - p, 64));
    if (!mpeg1::parsePacketHeader(b.data() + p, avail, h)) continue;
    const std::size_t end = std::min(b.size(), p + 6 + mpeg1::packetLength(b.data() + p));
    for (std::size_t i = p + h.payloadOffset; i + 4 <= end; ++i) {
      if (b[i] == 0xFF && b[i + 1] >= 0xF0) {
        std::memcpy(info.audio.header, b.data() + i, 4);
        return true;
      }
    }
  }
  return false;
}

}  // namespace

std::vector<std::uint8_t> readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  std::vector<std::uint8_t> bytes(in ? static_cast<std::size_t>(in.tellg()) : 0);
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

void writeWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

bool fillRecord(const std::string& path, StreamInfo& info) {
  const std::vector<std::uint8_t> b = readWholeFile(path);
  if (b.size() < 16) return false;
  info.reset();
  info.fileName = path;
  info.fileLength = static_cast<double>(b.size());
  std::int16_t type = kTypeNotAnalysed;
  if (mpeg1::isStartCode(b.data()) && b[3] == mpeg1::kPackStart) {
    if (!storeSequenceHeader(b, info) || !storeFirstAudioHeader(b, info)) return false;
    info.muxRateDeclared = mpeg1::packMuxRate(b.data());
    type = kTypeSystem;
  } else if (mpeg1::isStartCode(b.data()) && b[3] == mpeg1::kSequenceHeader) {
    if (!storeSequenceHeader(b, info)) return false;
    type = kTypeVideoOnly;
  } else if (mpeg1::isAudioSync(b.data())) {
    std::memcpy(info.audio.header, b.data(), 4);
    type = kTypeAudioOnly;
  } else {
    return false;
  }
  info.fileType = type;
  info.stage = 1;
  info.video.muxRate = info.muxRateDeclared;
  info.audio.muxRate = info.muxRateDeclared;
  if (type != kTypeAudioOnly) {
    info.video.type = type;
    info.video.length = static_cast<std::int64_t>(b.size());
    info.computeVideoSummary();
  }
  if (type != kTypeVideoOnly) {
    info.audio.type = type;
    info.audio.length = static_cast<std::int64_t>(b.size());
    info.computeAudioSummary();
  }
  return true;
}

std::string scratchDir(const std::string& testName) {
  const std::filesystem::path dir =
      std::filesystem::path(CW_BINARY_DIR) / "scratch" / ("analysis-" + testName);
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.string();
}

double probedVideoDuration(const std::string& path) {
  int fds[2];
  if (pipe(fds) != 0) return -1.0;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  std::vector<std::string> args = {
      "ffprobe", "-v",      "error", "-select_streams", "v:0", "-show_entries", "stream=duration",
      "-of",     "csv=p=0", path};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, "ffprobe", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  std::string text;
  char chunk[256];
  ssize_t n = 0;
  while (spawned == 0 && (n = read(fds[0], chunk, sizeof chunk)) > 0) text.append(chunk, n);
  close(fds[0]);
  if (spawned != 0) return -1.0;
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1.0;
  char* end = nullptr;
  const double seconds = std::strtod(text.c_str(), &end);
  return end == text.c_str() ? -1.0 : seconds;
}

}  // namespace cw::test
