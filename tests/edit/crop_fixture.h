// A crop as the front end drives it: the source described as by the quick
// analysis in a registered stream information record, a registered record
// for the new file, and the operation context pointing at both.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/analysis/stream_info.h"
#include "engine/edit/operation_context.h"
#include "support/temp_dir.h"

namespace cw::test {

// Fills `info` as the quick analysis would for an editable file; false for
// a file it cannot describe.
bool describeSource(const std::string& path, StreamInfo& info);

class CropFixture : public ::testing::Test {
 protected:
  CropFixture();
  ~CropFixture() override;

  // Quick-analyses `path` into the source record and points the context at
  // it. False when the analysis fails.
  bool useSource(const std::string& path);
  // The same for a corpus file; skips the test when it is missing.
  bool useCorpusSource(const std::string& name);
  // Runs Crop over [in, out] in `mode`, recording every progress report.
  int crop(double in, double out, int mode);

  bool recordExists() const;
  std::int64_t recordSize() const;

  TempDir dir{"cw-crop"};
  StreamInfo source;
  StreamInfo record;
  OperationContext ctx;
  std::vector<int> progress;

 private:
  std::int32_t sourceHandle_ = 0;
  std::int32_t recordHandle_ = 0;
};

}  // namespace cw::test
