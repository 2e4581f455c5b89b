// Joins as the front end drives them: a record made by Crop from one corpus
// file, then AppendCrop or EntryCrop of a stretch of another (or the same)
// file onto it, with the journals in the test's folder.
#pragma once

#include <cstdint>
#include <string>

#include "crop_fixture.h"

namespace cw::test {

class JoinFixture : public CropFixture {
 protected:
  // Crops [in, out] of corpus file `name` into the record in `mode`; false
  // (with a failure) when the crop fails. Skips when the file is missing.
  bool makeRecord(const std::string& name, double in, double out, int mode);
  // Describes corpus file `name` afresh as the source, sets the marks and
  // runs the operation; returns its result.
  int append(const std::string& name, double in, double out);
  int entry(const std::string& name, double in, double out, double at);

  std::string recordBytes() const;
  std::string undoBytes() const;
  std::string redoBytes() const;
  // J of a journal file (its first 8 bytes), -1 when it has none.
  static std::int64_t journalOffset(const std::string& journal);

  // The record's state before a call, to put back between calls.
  struct Snapshot {
    std::string bytes;
    StreamInfo record;
    HistoryFlags history;
  };
  Snapshot snapshot() const;
  void restore(const Snapshot& s);
};

}  // namespace cw::test
