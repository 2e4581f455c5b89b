// Chunk statuses of the writers and the error numbers the operations report
// for them.
#include "engine/common/errors.h"
#include "engine/edit/mux.h"

namespace cw {

int muxStatusError(MuxOperation op, int status) {
  if (status >= 0) return 0;
  // Indexed by -status - 1: read, memory, overflow, audio frame, packet, underflow.
  static constexpr int kCrop[] = {kCropReadError,    kCropMuxMemory, kCropOverflow,
                                  kCropAudioChanged, kCropBadSource, kCropUnderflow};
  static constexpr int kAppend[] = {kErrAppendReadSource, kErrAppendMuxMemory,
                                    kErrAppendOverflow,   kErrAppendAudioChanged,
                                    kErrAppendBadSource,  kErrAppendUnderflow};
  static constexpr int kEntry[] = {kErrEntryReadSource,   kErrEntryMuxMemory, kErrEntryOverflow,
                                   kErrEntryAudioChanged, kErrEntryBadSource, kErrEntryUnderflow};
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
    case kDemuxOverflow:
    case kEsReaderOverflow:
      return kMuxBufferOverflow;
    case kDemuxNoMemory:
    case kEsReaderNoMemory:
      return kMuxMemoryError;
    case kDemuxIncorrectPacket:
      return kMuxBadPacket;
    default:
      return kMuxReadError;  // 9002, 9102, and anything unexpected
  }
}

}  // namespace cw
