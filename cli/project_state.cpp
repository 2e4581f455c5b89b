#include "cli/project_state.h"

#include <cstdio>
#include <filesystem>

#include "automation/property_bag.h"
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
  const std::int64_t length = platform::fileSize(project);
  if (length < 0) {
    problem = "cannot read the length of " + project;
    return false;
  }
  PropertyBag bag;
  splicer.writeProperties(bag);
  bag.write(kUndoKey, Variant(storedJournalName(project, splicer.undoFileName())));
  bag.write(kRedoKey, Variant(storedJournalName(project, splicer.redoFileName())));
  writeHistory(bag, splicer.history());
  writeProjectLength(bag, length);
  const automation::Status saved = bag.save(stateFilePath(project));
  if (!saved.ok()) problem = saved.message;
  return saved.ok();
}

bool loadProjectState(const std::string& project, Splicer& splicer, std::string& problem) {
  const std::string path = stateFilePath(project);
  if (!platform::fileExists(path)) {
    problem = "no project state " + path + "; start the project with crop";
    return false;
  }
  PropertyBag bag;
  if (const automation::Status loaded = bag.load(path); !loaded.ok()) {
    problem = path + ": " + loaded.message;
    return false;
  }
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
  splicer.readProperties(bag);
  splicer.setUndoFileName(loadedJournalName(project, splicer.undoFileName(), ".undo"));
  splicer.setRedoFileName(loadedJournalName(project, splicer.redoFileName(), ".redo"));
  splicer.restoreHistory(readHistory(bag));
  return true;
}

void removeProjectState(const std::string& project) { std::remove(stateFilePath(project).c_str()); }

}  // namespace cw::cli
