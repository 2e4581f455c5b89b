// A system stream's head and tail analysis on damaged bytes: an engine error
// number or success, never a crash, and on failure the record as it was.
#include <cstddef>
#include <cstdint>

#include "engine/analysis/head_tail.h"
#include "fuzz_input.h"
#include "platform/file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static cw::fuzz::InputFile input;
  const std::string& path = input.write(data, size);
  cw::StreamInfo info;
  cw::fuzz::prepareRecord(info, path, size, cw::kTypeSystem);
  cw::platform::File file;
  if (!file.open(path, cw::platform::OpenMode::Read)) cw::fuzz::fail("cannot open the input", 0);
  info.video.handle = info.audio.handle = file.fd();
  const cw::StreamDescriptor video = info.video;
  const cw::StreamDescriptor audio = info.audio;
  std::int32_t measured = -1;
  int status = cw::analyseSystemStream(file, info, measured);
  if (status < 0 || status > 9999) cw::fuzz::fail("result", status);
  if (status != 0 &&
      (!cw::fuzz::sameAnalysis(video, info.video) || !cw::fuzz::sameAnalysis(audio, info.audio)))
    cw::fuzz::fail("record changed by a failed analysis", status);
  return 0;
}
