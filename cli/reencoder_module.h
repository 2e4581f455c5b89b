// Opens the picture re-encoder module on demand. The command line links no
// codec library: a cut at GOP boundaries starts and runs without libavcodec,
// and only --exact pays for loading it.
#pragma once

#include <memory>
#include <string>

#include "engine/edit/picture_reencoder.h"

namespace cw::cli {

// The module's file name; it lies beside the program in the build tree, and
// in CLIPWRIGHT_MODULE_DIR (relative to the program's folder) when installed.
inline constexpr char kReencoderModuleFile[] = "clipwright-reencoder.so";

// Loads the module (once per process; it stays loaded until the program
// ends) and returns a new re-encoder, or null with `problem` saying which
// files were tried and why they failed.
std::unique_ptr<PictureReencoder> loadPictureReencoder(std::string& problem);

}  // namespace cw::cli
