#include "cli/project_state.h"

#include <cstdio>
#include <filesystem>

#include "automation/property_bag.h"
#include "engine/edit/crop_steps.h"
#include "engine/splicer/history_state.h"
#include "platform/file.h"

namespace cw::cli {

namespace {

using automation::PropertyBag;
using automation::Variant;

namespace fs = std::filesystem;

constexpr const char* kUndoKey = "UndoFileName";
constexpr const char* kRedoKey = "RedoFileName";

// While a command runs, the Splicer holds the journals under absolute names,
// so that the current folder does not matter.
fs::path absolute(const fs::path& path) {
  std::error_code ec;
  const fs::path full = fs::absolute(path, ec);
  return ec ? path : full.lexically_normal();
}

fs::path projectFolder(const std::string& project) { return absolute(project).parent_path(); }

// The state file names the journals relative to the project's folder, so
// that a project moved or copied with its folder keeps its own history.
std::string storedJournalName(const std::string& project, const std::string& journal) {
  const fs::path relative = absolute(journal).lexically_relative(projectFolder(project));
  if (relative.empty() || *relative.begin() == "..") return journal;
  return relative.string();
}

// A relative name is taken from the project's folder. An absolute one comes
// from an older state file: the project's own journal (its name with .undo
// or .redo) is taken from beside the project as it is now, wherever the
// folder was when the state was written.
std::string loadedJournalName(const std::string& project, const std::string& stored,
                              const char* suffix) {
  const fs::path name(stored);
  if (name.empty()) return stored;
  if (name.is_relative()) return (projectFolder(project) / name).lexically_normal().string();
  const fs::path own = absolute(project + suffix);
  return name.filename() == own.filename() ? own.string() : stored;
}

}  // namespace

std::string stateFilePath(const std::string& project) { return project + ".clipwright"; }
std::string undoJournalPath(const std::string& project) {
  return absolute(project + ".undo").string();
}
std::string redoJournalPath(const std::string& project) {
  return absolute(project + ".redo").string();
}

bool saveProjectState(const std::string& project, const Splicer& splicer, std::string& problem) {
  return saveProjectState(project, splicer, splicer.history(), problem);
}

namespace {

// The state of `project` with the length of `movie`, written to `path`.
bool writeState(const std::string& path, const std::string& project, const std::string& movie,
                const Splicer& splicer, const HistoryFlags& history, std::string& problem) {
  const std::int64_t length = platform::fileSize(movie);
  if (length < 0) {
    problem = "cannot read the length of " + movie;
    return false;
  }
  PropertyBag bag;
  splicer.writeProperties(bag);
  bag.write(kUndoKey, Variant(storedJournalName(project, splicer.undoFileName())));
  bag.write(kRedoKey, Variant(storedJournalName(project, splicer.redoFileName())));
  writeHistory(bag, history);
  writeProjectLength(bag, length);
  if (!platform::replaceFileDurably(path, bag.toText())) {
    problem = "cannot write " + path;
    return false;
  }
  return true;
}

std::string stagedStatePath(const std::string& project) { return stateFilePath(project) + ".new"; }

}  // namespace

bool saveProjectState(const std::string& project, const Splicer& splicer,
                      const HistoryFlags& history, std::string& problem) {
  return writeState(stateFilePath(project), project, project, splicer, history, problem);
}

bool saveStagedCropState(const std::string& project, const Splicer& splicer,
                         const HistoryFlags& history, std::string& problem) {
  return writeState(stagedStatePath(project), project, stagedRecordPath(project), splicer, history,
                    problem);
}

void removeStagedCropState(const std::string& project) {
  const std::string staged = stagedStatePath(project);
  if (platform::fileExists(staged) && platform::removeFile(staged)) platform::syncFolderOf(staged);
}

bool adoptCropState(const std::string& project) {
  const std::string staged = stagedStatePath(project);
  if (!platform::fileExists(staged)) return false;
  PropertyBag bag;
  std::int64_t length = -1;
  const bool placed = !platform::fileExists(stagedRecordPath(project)) && bag.load(staged).ok() &&
                      readProjectLength(bag, length) && length == platform::fileSize(project);
  if (placed && platform::renameFile(staged, stateFilePath(project))) {
    platform::syncFolderOf(staged);
    return true;
  }
  removeStagedCropState(project);
  return false;
}

namespace {

bool readStateBag(const std::string& project, PropertyBag& bag, std::string& problem) {
  const std::string path = stateFilePath(project);
  if (!platform::fileExists(path)) {
    problem = "no project state " + path + "; start the project with crop";
    return false;
  }
  if (const automation::Status loaded = bag.load(path); !loaded.ok()) {
    problem = path + " cannot be read (" + loaded.message + ")";
    return false;
  }
  return true;
}

void applyState(const std::string& project, const PropertyBag& bag, Splicer& splicer) {
  splicer.readProperties(bag);
  splicer.setUndoFileName(loadedJournalName(project, splicer.undoFileName(), ".undo"));
  splicer.setRedoFileName(loadedJournalName(project, splicer.redoFileName(), ".redo"));
  splicer.restoreHistory(readHistory(bag));
}

}  // namespace

bool readProjectState(const std::string& project, Splicer& splicer, std::string& problem) {
  PropertyBag bag;
  if (!readStateBag(project, bag, problem)) return false;
  applyState(project, bag, splicer);
  return true;
}

bool loadProjectState(const std::string& project, Splicer& splicer, std::string& problem) {
  const std::string path = stateFilePath(project);
  PropertyBag bag;
  if (!readStateBag(project, bag, problem)) return false;
  std::int64_t recorded = -1;
  if (!readProjectLength(bag, recorded) || recorded < 0) {
    problem = path + " holds no project length";
    return false;
  }
  const std::int64_t actual = platform::fileSize(project);
  if (actual != recorded) {
    problem = path + " does not match " + project + " (the state is for " +
              std::to_string(recorded) + " bytes, the file has " +
              (actual < 0 ? std::string("none") : std::to_string(actual)) +
              "); start the project again with crop";
    return false;
  }
  applyState(project, bag, splicer);
  return true;
}

void removeProjectState(const std::string& project) { std::remove(stateFilePath(project).c_str()); }

}  // namespace cw::cli
