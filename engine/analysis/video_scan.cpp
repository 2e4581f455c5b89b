// Video start codes and pictures in the payloads of one stream's packets.
#include <new>

#include "engine/analysis/mpeg1.h"
#include "engine/analysis/payload_walk.h"
#include "engine/analysis/scanners.h"
#include "engine/common/errors.h"

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

std::size_t skipToStartCode(const std::uint8_t* data, std::size_t pos, std::size_t last) {
  return scan_detail::findStartCode(data, pos, last);
}

// Walks the start codes of the stream's payloads: onPicture(position, bytes)
// for every picture start code whose type byte is at hand, onCode(position,
// id) for every other code. A non-zero result of either ends the walk.
template <class OnPicture, class OnCode>
int walkStartCodes(const ScanBuffer& buf, const ScanList& packets, OnPicture&& onPicture,
                   OnCode&& onCode) {
  return scan_detail::walkPayloads(buf, packets, kPictureBytes, skipToStartCode,
                                   [&](std::uint32_t pos, std::size_t, const std::uint8_t* b,
                                       std::uint32_t have, std::uint32_t& advance) {
                                     if (have < 3) return 0;
                                     if (!mpeg1::isStartCode(b)) {
                                       advance = stepToPossibleCode(b);
                                       return 0;
                                     }
                                     if (have < kCodeBytes) return 0;
                                     advance = kCodeBytes;
                                     if (b[3] == mpeg1::kPictureStart)
                                       return have < kPictureBytes ? 0 : onPicture(pos, b);
                                     return onCode(pos, b[3]);
                                   });
}

// The picture entry of a picture start code, kind 0 for a forbidden type.
ScanEntry pictureAt(std::uint32_t pos, const std::uint8_t* b) {
  const char letter = mpeg1::pictureTypeLetter(mpeg1::pictureCodingType(b));
  ScanEntry e = entryAt(pos, static_cast<std::uint8_t>(letter));
  e.temporalReference() = mpeg1::pictureTemporalReference(b);
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
    const int status = walkStartCodes(
        buf, packets,
        [&](std::uint32_t pos, const std::uint8_t* b) {
          if (pictures == nullptr) return 0;
          const ScanEntry picture = pictureAt(pos, b);
          if (picture.kind == 0) return strict ? kForbiddenPicture : 0;
          foundPictures.push_back(picture);
          return 0;
        },
        [&](std::uint32_t pos, std::uint8_t code) {
          if (codes != nullptr && isListedCode(code)) foundCodes.push_back(entryAt(pos, code));
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

void scanFirstSequenceAndPicture(const ScanBuffer& buf, const ScanList& streamPackets,
                                 ScanEntry& sequence, ScanEntry& picture) {
  constexpr int kBothFound = 1;
  ScanEntry foundSequence;
  ScanEntry foundPicture;
  walkStartCodes(
      buf, streamPackets,
      [&](std::uint32_t pos, const std::uint8_t* b) {
        if (foundPicture.kind == 0) foundPicture = pictureAt(pos, b);
        return foundPicture.kind != 0 && foundSequence.kind != 0 ? kBothFound : 0;
      },
      [&](std::uint32_t pos, std::uint8_t code) {
        if (foundSequence.kind == 0 && code == mpeg1::kSequenceHeader) {
          foundSequence = entryAt(pos, code);
        }
        return foundPicture.kind != 0 && foundSequence.kind != 0 ? kBothFound : 0;
      });
  sequence = foundSequence;
  picture = foundPicture;
}

}  // namespace cw
