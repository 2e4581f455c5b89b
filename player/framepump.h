// Framepump: the decoder component that makes a still picture of a file
// without opening it for playback (thumbnails). Members: FilePath (1),
// DecodedPicture (2), DecodeAtOffset (4).
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>

#include "automation/dispatch.h"
#include "player/picture.h"

namespace cw::player {

class Framepump {
 public:
  static constexpr automation::DispId kFilePath = 1;
  static constexpr automation::DispId kDecodedPicture = 2;
  static constexpr automation::DispId kDecodeAtOffset = 4;

  Framepump();

  const QString& filePath() const { return filePath_; }
  void setFilePath(const QString& path) { filePath_ = path; }
  // Decodes the picture found at or after a byte offset of FilePath into
  // DecodedPicture: 0, or the error number (DecodedPicture keeps its picture).
  int decodeAtOffset(std::int64_t offset);
  const Picture& decodedPicture() const { return decoded_; }

  automation::Dispatch& dispatch() { return dispatch_; }

 private:
  void registerMembers();

  QString filePath_;
  Picture decoded_;
  automation::Dispatch dispatch_;
};

}  // namespace cw::player
