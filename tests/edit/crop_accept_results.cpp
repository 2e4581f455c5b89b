#include "crop_accept_results.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/corpus.h"

namespace cw::test::accept {

const CropResults& CropResults::committed() {
  static const CropResults results = [] {
    CropResults r;
    r.path_ = testDataPath("crop_results.md5");
    std::ifstream in(r.path_);
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      std::istringstream fields(line);
      std::string first, second, third;
      fields >> first >> second >> third;
      if (first == "source") {
        r.sources_[third] = second;
      } else if (!second.empty()) {
        r.cases_[second] = first;
      }
    }
    return r;
  }();
  return results;
}

std::string CropResults::compare(const std::string& caseName, const std::string& sourceName,
                                 const std::string& sourceMd5, const std::string& outputMd5) const {
  if (cases_.empty()) return "no results could be read from " + path_ + "\n";
  const auto source = sources_.find(sourceName);
  if (source == sources_.end()) return "no source " + sourceName + " recorded in " + path_ + "\n";
  if (source->second != sourceMd5) {
    return "cannot compare: corpus file " + sourceName + " has md5 " + sourceMd5 +
           ", the results were made from " + source->second + "\n";
  }
  const auto expected = cases_.find(caseName);
  if (expected == cases_.end()) return "no result recorded for " + caseName + "\n";
  if (expected->second != outputMd5) {
    return "output md5 " + outputMd5 + ", recorded " + expected->second + "\n";
  }
  return {};
}

bool CropResults::writing() { return std::getenv("CW_WRITE_CROP_RESULTS") != nullptr; }

void CropResults::write(const std::string& caseName, const std::string& sourceName,
                        const std::string& sourceMd5, const std::string& outputMd5) {
  std::ofstream out(std::getenv("CW_WRITE_CROP_RESULTS"), std::ios::app);
  out << "source " << sourceMd5 << " " << sourceName << "\n"
      << outputMd5 << " " << caseName << "\n";
}

}  // namespace cw::test::accept
