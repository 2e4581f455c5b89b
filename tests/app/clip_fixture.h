// The editor started headless for the clip tests, with helpers that open
// corpus files through File > Open's real dialog, the command line and drops.
#pragma once

#include "support/screen_grab.h"

#include <QFileDialog>
#include <QImage>
#include <QStringList>
#include <vector>

#include "app_fixture.h"
#include "support/corpus.h"

namespace cw::app::testing {

class ClipFixture : public AppFixture {
 public:
  static QString corpusPath(const std::string& name);

 protected:
  // Starts the editor with its second stage done.
  MainWindow& startEditor();

  static QString corpus(const std::string& name) { return corpusPath(name); }

  // Answers the next open dialog: goes to `folder`, types the names (quoted
  // when several) and accepts; with no names it cancels.
  void answerOpenDialog(const QString& folder, const QStringList& names);
  // File > Open, answered as above.
  void fileOpen(const QString& folder, const QStringList& names);
  // The list opener the command line and drops use.
  void openPaths(const QStringList& paths);
  // Drops the files on the palette as a file manager does.
  void dropFiles(const QStringList& paths);

  FootageWindow& palette() { return *form().footageWindow(); }
  int clipCount() { return static_cast<int>(session().clips.size()); }
  // What the screen shows of thumbnail `index`.
  QImage shownThumbnail(int index);

  // The dialog that was answered last (its filter list and title).
  QString dialogTitle;
  QStringList dialogFilters;
};

// Spread of the grey levels inside a picture's frame: 0 for a flat picture.
double pictureSpread(const QImage& image);

// Pictures [first, first + count) of a movie as ffmpeg decodes them, at the
// coded size; empty when ffmpeg fails.
std::vector<QImage> decodedPictures(const QString& path, int first, int count);
using cw::test::meanDifference;

}  // namespace cw::app::testing
