// The regression results of the crop acceptance sweep: the md5 of every
// crop output, by case name, in tests/data/crop_results.md5, together with
// the md5 of each corpus file the results were made from. A case that
// cannot be compared (no results file, or a source that differs from the
// one recorded, as from another encoder build) fails like a different
// output: an unchecked output must not pass.
//
// File format, one entry a line ('#' starts a comment):
//   source <md5> <corpus file name>
//   <md5> <case name>
//
// With CW_WRITE_CROP_RESULTS=FILE set, the sweep appends its entries to FILE
// instead of comparing (sort -u it into tests/data/crop_results.md5).
#pragma once

#include <map>
#include <string>

namespace cw::test::accept {

class CropResults {
 public:
  // The committed results file, read once.
  static const CropResults& committed();

  // Outcome of comparing one output: empty when it matches; otherwise what
  // differs or why it cannot be compared.
  std::string compare(const std::string& caseName, const std::string& sourceName,
                      const std::string& sourceMd5, const std::string& outputMd5) const;

  // True when the run writes results instead of comparing them.
  static bool writing();
  static void write(const std::string& caseName, const std::string& sourceName,
                    const std::string& sourceMd5, const std::string& outputMd5);

 private:
  std::string path_;
  std::map<std::string, std::string> sources_;  // name -> md5
  std::map<std::string, std::string> cases_;    // case -> md5
};

}  // namespace cw::test::accept
