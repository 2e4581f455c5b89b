// File > Import Cut List...: the stretches a cut list names, recorded one
// after the other from the player's clip into the project, each as its own
// record (Undo takes back the last one). A keep list names the stretches to
// keep; an edit decision list (.edl, as MPlayer and comskip write it) names
// the stretches to leave out, and the rest of the clip is kept.
#pragma once

#include <QObject>
#include <QString>
#include <vector>

#include "engine/edit/cut_list.h"

namespace cw::app {

class ActionRegistry;
class MainWindow;
class RecordController;

// The stretches of a cut list for a clip of `clipLength` seconds; on failure
// an empty list and `problem` says why (the file and the line it names).
std::vector<Stretch> readCutList(const QString& path, double clipLength, QString& problem);

class CutListImporter : public QObject {
  Q_OBJECT
 public:
  explicit CutListImporter(MainWindow& form);

  // Records the stretches of the list at `path`; the number recorded.
  int importFile(const QString& path);

 private:
  void onImportCutList();
  QString askCutListPath();

  MainWindow& form_;
  ActionRegistry& actions_;
  QString lastFolder_;
};

}  // namespace cw::app
