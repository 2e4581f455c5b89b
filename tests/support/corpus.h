// Where the test files are: the generated corpus (scripts/make-corpus.sh),
// the committed samples in tests/data, and the programs of the build.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cw::test {

enum class CorpusKind {
  VideoCd,          // system stream in VideoCD layout
  System,           // MPEG-1 system stream
  VideoElementary,  // bare MPEG-1 video
  AudioElementary,  // bare MPEG-1 audio
  Wave,             // RIFF WAVE, not MPEG
};

// One file the corpus script makes, with what a correct analysis says of it.
struct CorpusFile {
  const char* name;
  CorpusKind kind;
  // File type of the quick analysis: 0 system, 1 video only, 2 audio only,
  // 3 system with several streams, -6 variable video rate, -9 RIFF.
  int fileType;
  // A second accepted type (-1 when there is none): a file with a second
  // audio stream reads as 0 or 3 depending on which packet comes first.
  int otherFileType;
  int audioLayer;  // 0 when there is no audio
};

// Every file name the corpus script can make (long_vcd.mpg only on request).
const std::vector<CorpusFile>& corpusCatalog();
// The catalog entry of a name; nullptr when the name is not in the catalog.
const CorpusFile* corpusEntry(const std::string& name);

// The corpus folder: $CW_CORPUS_DIR when set, else the one of this build.
std::string corpusDir();
std::string corpusPath(const std::string& name);
bool hasCorpusFile(const std::string& name);
// A corpus file the running test needs. The test command always makes the
// corpus, so a missing file is a failure of the test that names the file;
// the result is then false (or "" for the path).
bool requireCorpusFile(const std::string& name);
std::string missingCorpusFile(const std::string& name);  // the failure message
std::string corpusFile(const std::string& name);
// The catalog names in catalog order, each one a file of the corpus folder;
// a missing one fails the running test, except long_vcd.mpg, which the
// corpus script makes only on request (and which is then left out).
std::vector<std::string> corpusFiles();

// A committed sample from tests/data.
std::string testDataPath(const std::string& name);
// A program of this build (clipwright-cli, cw-std-check, cw-sync-measure).
std::string binaryPath(const std::string& name);
bool isExecutable(const std::string& path);

}  // namespace cw::test

// Ends the current test as failed when a corpus file it needs is missing.
#define CW_REQUIRE_CORPUS(name)                                                          \
  do {                                                                                   \
    if (!::cw::test::hasCorpusFile(name)) FAIL() << ::cw::test::missingCorpusFile(name); \
  } while (0)
