// Removal of the B-pictures that lead an open GOP at a cut-in. They refer to
// a picture before the cut that the decoder never sees; deleting them and
// closing the GOP leaves a stream that decodes from its first byte.
#include <cstring>
#include <vector>

#include "engine/edit/video_rewrite.h"

namespace cw {

namespace {

constexpr std::size_t kPictureTypeBytes = 6;  // start code, temporal reference, type

struct Code {
  std::size_t at = 0;
  std::uint8_t code = 0;  // 0xB3, 0xB7, 0xB8, or 0x00 for a picture
  char type = 0;          // picture letter
  int ref = 0;            // picture temporal reference
};

// Sequence, GOP, sequence end and picture codes of [from, end). Stops at a
// header that continues beyond `end`.
std::vector<Code> listCodes(const std::uint8_t* b, std::size_t from, std::size_t end) {
  std::vector<Code> codes;
  for (std::size_t p = from; p + kPictureTypeBytes <= end;) {
    if (!mpeg1::isStartCode(b + p)) {
      ++p;
      continue;
    }
    const std::uint8_t code = b[p + 3];
    if (code == mpeg1::kPictureStart) {
      codes.push_back({p, code, mpeg1::pictureTypeLetter(mpeg1::pictureCodingType(b + p)),
                       mpeg1::pictureTemporalReference(b + p)});
    } else if (code == mpeg1::kSequenceHeader || code == mpeg1::kGroupStart ||
               code == mpeg1::kSequenceEnd) {
      codes.push_back({p, code, 0, 0});
    }
    p += 4;
  }
  return codes;
}

// Moves the packet marks of the deleted bytes [cut, cut + length) to `cut`.
// A mark whose payload saw a deleted picture start has been used up by it,
// and so has one whose payload begins inside the I-picture: the first
// picture that starts in it is the first deleted one, and its time stamps
// belong to that picture, not to the one behind the deleted run.
void shiftMarks(EsBuffer& buf, const std::vector<Code>& codes, std::size_t first, std::size_t last,
                std::size_t cut, std::size_t length) {
  const std::size_t cutEnd = cut + length;
  const std::size_t intraAt = codes[first - 1].at;
  for (PacketMark& m : buf.marks) {
    if (m.offset > intraAt && m.offset < cut) {
      m.pts = m.dts = kNoTime;
    } else if (m.offset >= cutEnd) {
      m.offset -= length;
    } else if (m.offset >= cut) {
      for (std::size_t i = first; i < last; ++i) {
        if (codes[i].at >= m.offset) m.pts = m.dts = kNoTime;
      }
      m.offset = cut;
    }
  }
}

}  // namespace

DeadBResult removeDeadBPictures(EsBuffer& buf, std::size_t from) {
  if (from < buf.fill) return DeadBResult::NotNeeded;  // only bytes not yet scanned
  std::uint8_t* b = buf.bytes.data();
  const std::size_t end = buf.stored();
  const std::vector<Code> codes = listCodes(b, from, end);

  // A GOP header, or sequence headers directly followed by one: the inserted
  // header, and the source's own when the cut-in point is a sequence header.
  std::size_t gop = 0;
  while (gop < codes.size() && codes[gop].code == mpeg1::kSequenceHeader) ++gop;
  if (gop == codes.size()) return codes.empty() ? DeadBResult::NotNeeded : DeadBResult::Incomplete;
  if (codes[gop].code != mpeg1::kGroupStart) return DeadBResult::NotNeeded;
  if (codes[gop].at + 8 > end) return DeadBResult::Incomplete;

  // Its first picture an I-picture displayed after others, followed by a B-picture.
  const std::size_t intra = gop + 1;
  if (intra + 1 >= codes.size()) return DeadBResult::Incomplete;
  const Code& i = codes[intra];
  if (i.code != mpeg1::kPictureStart || i.type != 'I' || i.ref == 0) {
    return DeadBResult::NotNeeded;
  }
  if (codes[intra + 1].code != mpeg1::kPictureStart || codes[intra + 1].type != 'B') {
    return DeadBResult::NotNeeded;
  }

  // The run of B-pictures ends at the next other picture or header.
  std::size_t next = intra + 1;
  while (next < codes.size() && codes[next].code == mpeg1::kPictureStart &&
         codes[next].type == 'B') {
    ++next;
  }
  if (next >= codes.size()) return DeadBResult::Incomplete;

  const std::size_t k = next - (intra + 1);
  const std::size_t cut = codes[intra + 1].at;
  const std::size_t length = codes[next].at - cut;
  std::memmove(b + cut, b + cut + length, end - cut - length);
  buf.held -= length;
  shiftMarks(buf, codes, intra + 1, next, cut, length);

  std::uint8_t* g = b + codes[gop].at;
  g[7] = static_cast<std::uint8_t>((g[7] & ~0x20) | 0x40);
  buf.video.temporalShift = static_cast<int>(k);
  buf.video.shiftGop = buf.dropped + static_cast<std::int64_t>(codes[gop].at);
  return DeadBResult::Removed;
}

}  // namespace cw
