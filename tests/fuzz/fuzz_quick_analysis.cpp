// The quick analysis on arbitrary bytes: it must classify or report a
// reading or memory error, never crash, and keep its result codes.
#include <cstddef>
#include <cstdint>

#include "fuzz_input.h"
#include "probe/quick_analysis.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static cw::fuzz::InputFile input;
  cw::StreamInfo info;
  info.fileName = input.write(data, size);
  int status = cw::quickAnalyse(info);
  if (status != 0 && status != 1016 && status != 1001) cw::fuzz::fail("result", status);
  if (status == 0 && info.stage != 1) cw::fuzz::fail("stage after a classification", info.stage);
  if (info.fileType < -9 || info.fileType > 3 || info.fileType == -1)
    cw::fuzz::fail("file type", info.fileType);
  if (status == 0 && info.fileLength != static_cast<double>(size))
    cw::fuzz::fail("file length", static_cast<int>(info.fileLength));
  return 0;
}
