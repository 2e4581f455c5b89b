#include "engine/edit/intent_record.h"

#include <algorithm>
#include <sstream>
#include <vector>

namespace cw {

namespace {

constexpr std::int64_t kCheckSpan = 65536;

constexpr const char* kOperationNames[] = {"append", "entry", "undo", "redo"};

bool parseOperation(const std::string& name, IntentOperation& operation) {
  for (int i = 0; i < 4; ++i) {
    if (name == kOperationNames[i]) {
      operation = static_cast<IntentOperation>(i);
      return true;
    }
  }
  return false;
}

std::string readWhole(const std::string& path) {
  platform::File file;
  if (!file.open(path, platform::OpenMode::Read)) return {};
  const std::int64_t length = file.length();
  if (length <= 0 || length > 1 << 20) return {};
  std::string text(static_cast<std::size_t>(length), '\0');
  return file.read(text.data(), length) == length ? text : std::string();
}

// Names may hold spaces: a name is the rest of its line.
std::string restOfLine(std::istringstream& line) {
  std::string rest;
  std::getline(line >> std::ws, rest);
  return rest;
}

}  // namespace

std::string intentPathOf(const std::string& recordPath) {
  return recordPath + ".clipwright-intent";
}

const char* intentOperationName(IntentOperation operation) {
  return kOperationNames[static_cast<int>(operation)];
}

bool tailCheck(platform::File& file, std::int64_t length, std::uint64_t& check) {
  const std::int64_t span = std::min(length, kCheckSpan);
  std::vector<unsigned char> bytes(static_cast<std::size_t>(span));
  if (span > 0 && !file.readAt(length - span, bytes.data(), span)) return false;
  std::uint64_t hash = 1469598103934665603ULL;
  for (const unsigned char b : bytes) hash = (hash ^ b) * 1099511628211ULL;
  check = hash;
  return true;
}

bool writeIntent(const std::string& recordPath, const IntentRecord& intent) {
  std::ostringstream text;
  text << "operation " << intentOperationName(intent.operation) << '\n'
       << "length " << intent.length << '\n'
       << "check " << intent.check << '\n'
       << "join " << intent.joinOffset << '\n'
       << "journal-length " << intent.journalLength << '\n'
       << "journal " << intent.journal << '\n'
       << "undo " << intent.undoJournal << '\n'
       << "redo " << intent.redoJournal << '\n'
       << "staged " << intent.stagedRedo << '\n'
       << "end\n";
  return platform::replaceFileDurably(intentPathOf(recordPath), text.str());
}

int readIntent(const std::string& recordPath, IntentRecord& intent) {
  const std::string path = intentPathOf(recordPath);
  if (!platform::fileExists(path)) return 0;
  std::istringstream text(readWhole(path));
  IntentRecord read;
  bool operation = false;
  bool complete = false;
  for (std::string line; std::getline(text, line);) {
    std::istringstream fields(line);
    std::string key;
    fields >> key;
    if (key == "operation") {
      std::string name;
      fields >> name;
      operation = parseOperation(name, read.operation);
    } else if (key == "length") {
      fields >> read.length;
    } else if (key == "check") {
      fields >> read.check;
    } else if (key == "join") {
      fields >> read.joinOffset;
    } else if (key == "journal-length") {
      fields >> read.journalLength;
    } else if (key == "journal") {
      read.journal = restOfLine(fields);
    } else if (key == "undo") {
      read.undoJournal = restOfLine(fields);
    } else if (key == "redo") {
      read.redoJournal = restOfLine(fields);
    } else if (key == "staged") {
      read.stagedRedo = restOfLine(fields);
    } else if (key == "end") {
      complete = true;
    }
    if (fields.fail() && key != "journal" && key != "undo" && key != "redo" && key != "staged") {
      return -1;
    }
  }
  if (!operation || !complete || read.journal.empty()) return -1;
  intent = read;
  return 1;
}

bool clearIntent(const std::string& recordPath) {
  const std::string path = intentPathOf(recordPath);
  if (!platform::fileExists(path)) return true;
  return platform::removeFile(path) && platform::syncFolderOf(path);
}

}  // namespace cw
