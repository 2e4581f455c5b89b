#include <cstdio>

#include "engine/edit/check_es.h"

namespace cw {
namespace {

constexpr int kSequenceBytes = 12;
constexpr int kGopBytes = 8;
constexpr int kPictureBytes = 6;
constexpr int kCodingI = 1;
constexpr int kCodingB = 3;
constexpr std::uint8_t kExtensionStart = 0xB5;

int headerBytes(std::uint8_t code) {
  switch (code) {
    case mpeg1::kSequenceHeader:
      return kSequenceBytes;
    case mpeg1::kGroupStart:
      return kGopBytes;
    case mpeg1::kPictureStart:
      return kPictureBytes;
    default:
      return 0;
  }
}

}  // namespace

std::string streamName(int streamId) {
  char text[32];
  std::snprintf(text, sizeof text, "%s stream 0x%02X",
                mpeg1::isVideoId(streamId) ? "video" : "audio", streamId);
  return text;
}

void EsPlace::feed(std::int64_t size, std::int64_t fileOffset) {
  previousStart_ = pieceStart_;
  previousFile_ = pieceFile_;
  pieceStart_ = length_;
  pieceFile_ = fileOffset;
  length_ += size;
}

std::int64_t EsPlace::fileOffsetOf(std::int64_t esOffset) const {
  if (esOffset >= pieceStart_) return pieceFile_ + (esOffset - pieceStart_);
  return previousFile_ + (esOffset - previousStart_);
}

double VideoCheck::timeOf() const {
  if (seconds_ >= 0.0) return seconds_;
  return period_ > 0.0 ? static_cast<double>(pictures_) * period_ / mpeg1::kClock : -1.0;
}

void VideoCheck::problem(CheckKind kind, std::int64_t esOffset, const std::string& text) {
  report_.add(kind, place_.fileOffsetOf(esOffset), timeOf(), streamName(streamId_) + ": " + text);
}

void VideoCheck::feed(const std::uint8_t* data, std::size_t size, std::int64_t fileOffset,
                      double seconds) {
  seconds_ = seconds;
  const std::int64_t start = place_.length();
  place_.feed(static_cast<std::int64_t>(size), fileOffset);
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint8_t byte = data[i];
    const bool code = last3_ == 0x000001;
    last3_ = ((last3_ << 8) | byte) & 0xFFFFFF;
    if (headerWanted_ > 0 && !code) {
      header_[headerHave_++] = byte;
      if (headerHave_ == headerWanted_) {
        headerWanted_ = 0;
        header(header_);
      }
    }
    if (code) startCode(start + static_cast<std::int64_t>(i) - 3, byte);
  }
}

void VideoCheck::startCode(std::int64_t at, std::uint8_t code) {
  if (headerWanted_ > 0) problem(CheckKind::Syntax, headerAt_, "header cut short by a start code");
  headerWanted_ = 0;
  if (code == mpeg1::kSequenceHeader || code == mpeg1::kGroupStart) {
    if (unitHead_ < 0) unitHead_ = at;
  } else if (code == mpeg1::kPictureStart) {
    units.push_back({at, unitHead_ >= 0 ? unitHead_ : at});
    unitHead_ = -1;
  } else if (code == mpeg1::kSequenceEnd) {
    afterSequenceEnd_ = true;
  } else if (code == kExtensionStart) {
    if (!mpeg2Reported_) problem(CheckKind::Syntax, at, "MPEG-2 extension in an MPEG-1 stream");
    mpeg2Reported_ = true;
  } else if (code == 0xB0 || code == 0xB1 || code == 0xB4 || code > mpeg1::kSequenceEnd) {
    char text[64];
    std::snprintf(text, sizeof text, "start code 0x%02X that a video stream may not hold", code);
    problem(CheckKind::Syntax, at, text);
  }
  const int wanted = headerBytes(code);
  if (wanted == 0) return;
  header_[0] = 0;
  header_[1] = 0;
  header_[2] = 1;
  header_[3] = code;
  headerHave_ = 4;
  headerWanted_ = wanted;
  headerAt_ = at;
}

void VideoCheck::header(const std::uint8_t* h) {
  switch (h[3]) {
    case mpeg1::kSequenceHeader:
      sequenceHeader(h);
      break;
    case mpeg1::kGroupStart:
      gopHeader(h);
      break;
    default:
      picture(h);
      break;
  }
}

void VideoCheck::sequenceHeader(const std::uint8_t* h) {
  mpeg1::SequenceHeader seq;
  const int aspect = h[7] >> 4;
  if (mpeg1::decodeSequenceHeader(h, seq) != 0 || seq.horizontalSize == 0 ||
      seq.verticalSize == 0 || aspect == 0 || aspect == 15 || seq.bitRateValue == 0) {
    problem(CheckKind::Syntax, headerAt_, "sequence header with a forbidden value");
    return;
  }
  if (!sequenceSeen_) {
    sequenceSeen_ = true;
    std::copy(h, h + kSequenceBytes, firstSequence_);
    period_ = mpeg1::kClock / seq.pictureRate;
    return;
  }
  mpeg1::SequenceHeader first;
  mpeg1::decodeSequenceHeader(firstSequence_, first);
  if (seq.horizontalSize != first.horizontalSize || seq.verticalSize != first.verticalSize ||
      seq.pictureRateCode != first.pictureRateCode)
    problem(CheckKind::Structure, headerAt_, "picture size or rate changes within the stream");
}

void VideoCheck::gopHeader(const std::uint8_t* h) {
  if (!sequenceSeen_)
    problem(CheckKind::Structure, headerAt_, "GOP header before any sequence header");
  gopSeen_ = true;
  gopNeedsNoPast_ = afterSequenceEnd_ && !mpeg1::gopClosed(h) && !mpeg1::gopBrokenLink(h);
  afterSequenceEnd_ = false;
  gopPictures_ = 0;
}

void VideoCheck::picture(const std::uint8_t* h) {
  ++pictures_;
  if (!sequenceSeen_)
    problem(CheckKind::Structure, headerAt_, "picture before any sequence header");
  const int type = mpeg1::pictureCodingType(h);
  if (type == 0 || type > 4) problem(CheckKind::Syntax, headerAt_, "forbidden picture coding type");
  if (!gopSeen_) {
    problem(CheckKind::Structure, headerAt_, "picture outside any GOP");
    gopSeen_ = true;  // once
    return;
  }
  const int reference = mpeg1::pictureTemporalReference(h);
  if (++gopPictures_ == 1) {
    if (type != kCodingI)
      problem(CheckKind::Structure, headerAt_, "GOP not starting with an I-picture");
    gopFirstReference_ = reference;
    return;
  }
  if (!gopNeedsNoPast_) return;
  gopNeedsNoPast_ = false;
  if (type == kCodingB && reference < gopFirstReference_)
    problem(CheckKind::Structure, headerAt_,
            "open GOP after a sequence start without broken_link: its first B-pictures "
            "refer to a picture that is not there");
}

void VideoCheck::finish(double seconds) {
  seconds_ = seconds;
  const std::int64_t end = place_.length();
  if (headerWanted_ > 0) problem(CheckKind::Syntax, headerAt_, "stream ends inside a header");
  headerWanted_ = 0;
  if (!sequenceSeen_) problem(CheckKind::Structure, end, "no sequence header");
  if (pictures_ == 0) problem(CheckKind::Structure, end, "no pictures");
}

}  // namespace cw
