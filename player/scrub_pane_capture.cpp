// ScrubPane: pictures of the clip area, thumbnails through the decoder
// component, and GetPath.
#include <filesystem>

#include "player/capture.h"
#include "player/player_errors.h"
#include "player/scrub_pane.h"
#include "player/twips.h"

namespace cw::player {

Picture ScrubPane::xCapture() {
  if (mode_ == kModeNoClip) return Picture{};
  const int width = twipsToPixels(pixelsToTwips(clipArea_->width()));
  const int height = twipsToPixels(pixelsToTwips(clipArea_->height()));
  return grabWindowImage(clipArea_, true, 0, 0, width, height);
}

bool ScrubPane::freezeFrame(bool freeze) {
  if (!freeze) {
    clipArea_->setBackgroundPicture(QPixmap());
  } else if (mode_ != kModeNoClip) {
    clipArea_->setBackgroundPicture(xCapture().bitmap);
  }
  return false;
}

// The picture around the middle of the file, by its size in bytes (64 bits:
// files past 2 GiB have their middle past what a long holds).
int ScrubPane::xOpenCapture(const QString& filePath) {
  thumbnailDecoder_.setFilePath(filePath);
  std::error_code ec;
  const auto size = std::filesystem::file_size(filePath.toStdString(), ec);
  if (ec) return kErrFileNotFound;
  if (int error = thumbnailDecoder_.decodeAtOffset(static_cast<std::int64_t>(size / 2)))
    return error;
  capturedPicture_ = thumbnailDecoder_.decodedPicture();
  return kErrNone;
}

// The folder part of a document's path: the text before the document name,
// from the drive prefix c: or the first double backslash on when it has one.
bool ScrubPane::GetPath(const QString& strPath, const QString& strDocument) {
  setPath(QString());
  const QString path = strPath.toLower();
  const QString document = strDocument.toLower();
  const qsizetype found = path.indexOf(document);
  if (found < 0 || document.isEmpty()) return false;
  const QString before = path.left(found);
  qsizetype from = before.indexOf("c:");
  if (from < 0) from = before.indexOf("\\\\");
  setPath(from < 0 ? before : before.mid(from));
  return false;
}

}  // namespace cw::player
