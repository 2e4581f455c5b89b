// The editor with a recorded project, and the save dialog answered as a
// user answers it.
#pragma once

#include <QString>

#include "record_fixture.h"

namespace cw::app::testing {

class SaveFixture : public RecordFixture {
 protected:
  ~SaveFixture() override;

  // Opens `clip`, marks a stretch and records it into the project (a crop,
  // or an append when the recorder holds a movie).
  void record(const QString& clip, int in = 5, int out = 5);

  // The next save dialog: what it showed, then `path` typed into it (an
  // empty path cancels it).
  void answerSaveDialog(const QString& path);
  QString dialogTitle;
  QString dialogFilter;  // the selected name filter
  QString dialogSuffix;  // the default suffix

  // SpaceAvailable reports this figure (and counts its reads) from now on.
  void fakeFreeSpace(double bytes);
  int spaceReads = 0;

  static QString corpus(const char* name);
};

}  // namespace cw::app::testing
