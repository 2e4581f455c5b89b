#include "cli/project_state.h"

#include <charconv>
#include <cstdio>
#include <filesystem>

#include "automation/property_bag.h"
#include "platform/file.h"

namespace cw::cli {

namespace {

using automation::PropertyBag;
using automation::Variant;

constexpr const char* kLengthKey = "ProjectLength";

struct FlagKey {
  const char* key;
  bool HistoryFlags::*flag;
};
constexpr FlagKey kFlagKeys[] = {
    {"UndoEnabled", &HistoryFlags::undoEnabled},
    {"RedoEnabled", &HistoryFlags::redoEnabled},
    {"UndoFileValid", &HistoryFlags::undoFileValid},
    {"RedoFileValid", &HistoryFlags::redoFileValid},
};

// Journals are kept under absolute names so that a later command run from
// another folder still finds them.
std::string absolute(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(path, ec);
  return ec ? path : full.lexically_normal().string();
}

bool parseLength(const std::string& text, std::int64_t& length) {
  const char* end = text.data() + text.size();
  const auto [at, ec] = std::from_chars(text.data(), end, length);
  return ec == std::errc() && at == end && length >= 0;
}

}  // namespace

std::string stateFilePath(const std::string& project) { return project + ".clipwright"; }
std::string undoJournalPath(const std::string& project) { return absolute(project + ".undo"); }
std::string redoJournalPath(const std::string& project) { return absolute(project + ".redo"); }

bool saveProjectState(const std::string& project, const Splicer& splicer, std::string& problem) {
  const std::int64_t length = platform::fileSize(project);
  if (length < 0) {
    problem = "cannot read the length of " + project;
    return false;
  }
  PropertyBag bag;
  splicer.writeProperties(bag);
  for (const FlagKey& f : kFlagKeys) bag.write(f.key, Variant::fromBool(splicer.history().*f.flag));
  bag.write(kLengthKey, Variant(std::to_string(length)));
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
  if (!parseLength(bag.read(kLengthKey, Variant(std::string())).asString(), recorded)) {
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
  HistoryFlags history;
  for (const FlagKey& f : kFlagKeys)
    history.*f.flag = bag.read(f.key, Variant::fromBool(false)).asBool();
  splicer.restoreHistory(history);
  return true;
}

void removeProjectState(const std::string& project) { std::remove(stateFilePath(project).c_str()); }

}  // namespace cw::cli
