// Video start codes and pictures in the payloads of one stream's packets.
#include <new>

#include "engine/analysis/mpeg1.h"
#include "engine/analysis/payload_walk.h"
#include "engine/analysis/scanners.h"

namespace cw {
namespace {

using scan_detail::stepToPossibleCode;

// Bytes a picture entry needs: the start code, temporal reference and type.
constexpr std::uint32_t kPictureBytes = 6;
constexpr std::uint32_t kCodeBytes = 4;

bool isListedCode(std::uint8_t code) {
  return code == mpeg1::kGroupStart || code == mpeg1::kSequenceHeader ||
         code == mpeg1::kSequenceEnd;
}

ScanEntry entryAt(std::uint32_t pos, std::uint8_t kind) {
  ScanEntry e;
  e.start = pos;
  e.end = pos;
  e.payload = pos;
  e.kind = kind;
  return e;
}

// Lists the pictures and/or codes of the stream. A null list is not wanted.
// With `strict`, a picture of a forbidden type fails the scan; otherwise it
// is left out.
int scanVideo(const ScanBuffer& buf, const ScanList& packets, ScanList* pictures, ScanList* codes,
              bool strict) {
  try {
    ScanList foundPictures;
    ScanList foundCodes;
    const int status = scan_detail::walkPayloads(
        buf, packets, kPictureBytes,
        [&](std::uint32_t pos, std::size_t, const std::uint8_t* b, std::uint32_t have,
            std::uint32_t& advance) {
          if (have < 3) return 0;
          if (!mpeg1::isStartCode(b)) {
            advance = stepToPossibleCode(b);
            return 0;
          }
          if (have < kCodeBytes) return 0;
          advance = kCodeBytes;
          if (b[3] == mpeg1::kPictureStart) {
            if (pictures == nullptr || have < kPictureBytes) return 0;
            const char letter = mpeg1::pictureTypeLetter(mpeg1::pictureCodingType(b));
            if (letter == 0) return strict ? kForbiddenPicture : 0;
            ScanEntry e = entryAt(pos, static_cast<std::uint8_t>(letter));
            e.value1 = mpeg1::pictureTemporalReference(b);
            foundPictures.push_back(e);
          } else if (codes != nullptr && isListedCode(b[3])) {
            foundCodes.push_back(entryAt(pos, b[3]));
          }
          return 0;
        });
    if (status != 0) return status;
    if (pictures != nullptr) *pictures = std::move(foundPictures);
    if (codes != nullptr) *codes = std::move(foundCodes);
    return 0;
  } catch (const std::bad_alloc&) {
    return kScanMemory;
  }
}

}  // namespace

int scanVideoCodes(const ScanBuffer& buf, const ScanList& streamPackets, ScanList& out) {
  return scanVideo(buf, streamPackets, nullptr, &out, false);
}

int scanPictures(const ScanBuffer& buf, const ScanList& streamPackets, ScanList& out) {
  return scanVideo(buf, streamPackets, &out, nullptr, false);
}

int scanPicturesAndCodes(const ScanBuffer& buf, const ScanList& streamPackets, ScanList& pictures,
                         ScanList& codes) {
  return scanVideo(buf, streamPackets, &pictures, &codes, true);
}

}  // namespace cw
