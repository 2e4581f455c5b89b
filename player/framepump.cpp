#include "player/framepump.h"

#include <stdexcept>

#include "player/media_file.h"
#include "player/player_errors.h"

namespace cw::player {

using automation::Variant;
using automation::VariantType;

Framepump::Framepump() { registerMembers(); }

int Framepump::decodeAtOffset(std::int64_t offset) {
  std::unique_ptr<MediaFile> file;
  if (int error = MediaFile::open(filePath_.toStdString(), file)) return error;
  QImage image;
  if (int error = file->pictureNearOffset(offset, image)) return error;
  decoded_ = makeBitmapPicture(QPixmap::fromImage(image));
  return decoded_.isNull() ? kErrOutOfMemory : kErrNone;
}

void Framepump::registerMembers() {
  dispatch_.addProperty({"FilePath", kFilePath, VariantType::String,
                         [this] { return Variant(filePath_.toStdString()); },
                         [this](const Variant& value) {
                           filePath_ = QString::fromStdString(value.asString());
                           return automation::Status::success();
                         }});
  dispatch_.addProperty({"DecodedPicture", kDecodedPicture, VariantType::Object,
                         [this] { return pictureVariant(decoded_); }});
  dispatch_.addMethod(
      {"DecodeAtOffset",
       kDecodeAtOffset,
       VariantType::Int16,
       {{"Offset", VariantType::Double}},
       [this](const automation::Args& args) {
         // Offsets travel as doubles so that files past 2 GiB work.
         const int error = decodeAtOffset(static_cast<std::int64_t>(args[0].asDouble()));
         if (error) {
           throw std::runtime_error("cannot decode a picture of " + filePath_.toStdString() +
                                    " (error " + std::to_string(error) + ")");
         }
         return Variant(std::int16_t{0});
       }});
}

}  // namespace cw::player
