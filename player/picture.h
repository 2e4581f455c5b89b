// Picture objects: a bitmap with an optional palette, as pictures cross the
// player's interface (captures, frozen frames, thumbnails). The receiver owns
// its copy; Qt shares the pixels until one side changes them.
#pragma once

#include <QPixmap>
#include <QRgb>
#include <QVector>
#include <memory>
#include <string>

#include "automation/variant.h"

namespace cw::player {

struct Picture {
  QPixmap bitmap;
  QVector<QRgb> palette;  // empty on true-colour displays
  bool isNull() const { return bitmap.isNull(); }
};

// Wraps a bitmap and its palette (which may be empty) into a picture.
Picture makeBitmapPicture(QPixmap bitmap, QVector<QRgb> palette = {});

// A picture carried by an automation value.
class PictureObject : public automation::Object {
 public:
  explicit PictureObject(Picture picture) : picture_(std::move(picture)) {}
  std::string typeName() const override { return "Picture"; }
  const Picture& picture() const { return picture_; }

 private:
  Picture picture_;
};

automation::Variant pictureVariant(const Picture& picture);
// The picture in an automation value; an empty picture for anything else.
Picture pictureFrom(const automation::Variant& value);

}  // namespace cw::player
