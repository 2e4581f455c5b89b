// The re-encoder as a module that clipwright-cli opens for --exact: a cut
// without it never loads libavcodec.
#include "engine/edit/picture_reencoder.h"
#include "reencode/mpeg1_reencoder.h"

extern "C" __attribute__((visibility("default"))) cw::PictureReencoder*
clipwright_new_picture_reencoder() {
  try {
    return new cw::Mpeg1Reencoder;
  } catch (...) {
    return nullptr;
  }
}
