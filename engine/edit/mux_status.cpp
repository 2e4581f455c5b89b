// Chunk statuses of the writers and the error numbers the operations report
// for them.
#include "engine/edit/mux.h"

namespace cw {

int muxStatusError(MuxOperation op, int status) {
  if (status >= 0) return 0;
  // Indexed by -status - 1: read, memory, overflow, audio frame, packet, underflow.
  static constexpr int kCrop[] = {6001, 6003, 6004, 6005, 6007, 6008};
  static constexpr int kAppend[] = {4012, 4019, 4020, 4021, 4022, 4023};
  static constexpr int kEntry[] = {3012, 3019, 3020, 3021, 3022, 3023};
  // A status outside the table is still a failure: report it as a read error.
  const int index = status < kMuxUnderflow ? 0 : -status - 1;
  switch (op) {
    case MuxOperation::Crop:
      return kCrop[index];
    case MuxOperation::AppendCrop:
      return kAppend[index];
    case MuxOperation::EntryCrop:
      return kEntry[index];
  }
  return 0;
}

int readerStatus(int readerError) {
  switch (readerError) {
    case 0:
      return kMuxMore;
    case 9004:
    case 9104:
      return kMuxBufferOverflow;
    case 9005:
    case 9105:
      return kMuxMemoryError;
    case 9001:
      return kMuxBadPacket;
    default:
      return kMuxReadError;  // 9002, 9102, and anything unexpected
  }
}

}  // namespace cw
