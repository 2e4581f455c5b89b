#include "player/picture.h"

namespace cw::player {

Picture makeBitmapPicture(QPixmap bitmap, QVector<QRgb> palette) {
  return Picture{std::move(bitmap), std::move(palette)};
}

automation::Variant pictureVariant(const Picture& picture) {
  return automation::Variant(std::shared_ptr<automation::Object>(new PictureObject(picture)));
}

Picture pictureFrom(const automation::Variant& value) {
  auto object = std::dynamic_pointer_cast<PictureObject>(value.toObject());
  return object ? object->picture() : Picture{};
}

}  // namespace cw::player
