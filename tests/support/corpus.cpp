#include "support/corpus.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace cw::test {

const std::vector<CorpusFile>& corpusCatalog() {
  using K = CorpusKind;
  static const std::vector<CorpusFile> catalog = {
      {"vcd_ntsc.mpg", K::VideoCd, 0, -1, 2},
      {"vcd_pal.mpg", K::VideoCd, 0, -1, 2},
      {"vcd_film.mpg", K::VideoCd, 0, -1, 2},
      {"sys_open.mpg", K::System, 0, -1, 2},
      {"sys_closed.mpg", K::System, 0, -1, 2},
      {"sys_32k.mpg", K::System, 0, -1, 2},
      {"sys_layer3.mpg", K::System, 0, -1, 3},
      {"sys_vbr.mpg", K::System, -6, -1, 2},
      {"sys_two_audio.mpg", K::System, 0, 3, 2},
      {"video_only.mpv", K::VideoElementary, 1, -1, 0},
      {"audio_only.mpa", K::AudioElementary, 2, -1, 2},
      {"audio_l1.mpa", K::AudioElementary, 2, -1, 1},
      {"mjpeg_vcd.mpg", K::VideoCd, 0, -1, 2},
      {"mjpeg_generic.mpg", K::System, 0, -1, 2},
      {"sound.wav", K::Wave, -9, -1, 0},
      {"syncflash.mpg", K::VideoCd, 0, -1, 2},
      {"vcd_ntsc_60.mpg", K::VideoCd, 0, -1, 2},
      {"sys_open_30.mpg", K::System, 0, -1, 2},
      {"long_vcd.mpg", K::VideoCd, 0, -1, 2},
      {"mjpeg_kvcd.mpg", K::VideoCd, 0, -1, 2},
      {"mjpeg_kvcd.mpv", K::VideoElementary, 1, -1, 0},
      {"vcd_short_sound.mpg", K::VideoCd, 0, -1, 2},  // sound ends 5 s before the picture
      {"vcd_two_audio.mpg", K::VideoCd, 0, 3, 2},     // both end 2.6 s before the file
      {"syncflash_pal.mpg", K::VideoCd, 0, -1, 2},    // flash and beep, 25 pictures/s
      {"syncflash_mjpeg.mpg", K::VideoCd, 0, -1, 2},  // flash and beep, mjpegtools
  };
  return catalog;
}

const CorpusFile* corpusEntry(const std::string& name) {
  for (const auto& entry : corpusCatalog())
    if (name == entry.name) return &entry;
  return nullptr;
}

std::string corpusDir() {
  const char* fromEnvironment = std::getenv("CW_CORPUS_DIR");
  if (fromEnvironment && *fromEnvironment) return fromEnvironment;
  return CW_CORPUS_DIR;
}

std::string corpusPath(const std::string& name) { return corpusDir() + "/" + name; }

bool hasCorpusFile(const std::string& name) {
  std::error_code ec;
  return std::filesystem::file_size(corpusPath(name), ec) > 0 && !ec;
}

bool requireCorpusFile(const std::string& name) {
  if (hasCorpusFile(name)) return true;
  ADD_FAILURE() << missingCorpusFile(name);
  return false;
}

std::string missingCorpusFile(const std::string& name) {
  return "corpus file " + name + " missing in " + corpusDir() +
         " (scripts/make-corpus.sh makes it)";
}

std::string corpusFile(const std::string& name) {
  return requireCorpusFile(name) ? corpusPath(name) : std::string();
}

std::vector<std::string> corpusFiles() {
  std::vector<std::string> present;
  for (const auto& entry : corpusCatalog()) {
    const bool onRequest = std::string(entry.name) == "long_vcd.mpg";
    if (onRequest ? hasCorpusFile(entry.name) : requireCorpusFile(entry.name))
      present.emplace_back(entry.name);
  }
  return present;
}

std::string testDataPath(const std::string& name) { return std::string(CW_TEST_DATA) + "/" + name; }

std::string binaryPath(const std::string& name) { return std::string(CW_BINARY_DIR) + "/" + name; }

bool isExecutable(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

}  // namespace cw::test
