// The intent record: a small file beside the project, RECORD.clipwright-intent,
// that says which change is under way while the project file is being
// rewritten. It is written and synced after the journal that can put the
// project back is complete and synced, and before the first byte of the
// project changes; it is deleted last, after the project, the journals and
// the caller's own state are durable. Whoever finds one finds an interrupted
// change, and recovery (recovery.h) finishes or rolls it back from it.
//
// The file is text, one "key value" line each:
//   operation  append | entry | undo | redo
//   length     the project's length before the change
//   check      FNV-1a 64 of the project's last (up to) 64 KiB before it
//   join       J, where the journal's bytes belong
//   journal    the journal recovery copies back at J, and its length
//   undo/redo  the names the change's journals have once it is complete
//   staged     the redo journal as written during the change (append, entry)
#pragma once

#include <cstdint>
#include <string>

#include "platform/file.h"

namespace cw {

enum class IntentOperation { Append, Entry, Undo, Redo };

struct IntentRecord {
  IntentOperation operation = IntentOperation::Append;
  std::int64_t length = 0;
  std::uint64_t check = 0;
  std::int64_t joinOffset = 0;
  std::string journal;
  std::int64_t journalLength = 0;
  std::string undoJournal;
  std::string redoJournal;
  std::string stagedRedo;
};

std::string intentPathOf(const std::string& recordPath);
const char* intentOperationName(IntentOperation operation);

// FNV-1a 64 of the last min(length, 64 KiB) bytes before `length`.
bool tailCheck(platform::File& file, std::int64_t length, std::uint64_t& check);

// Writes the record durably (temporary file, sync, rename, folder sync).
bool writeIntent(const std::string& recordPath, const IntentRecord& intent);
// 1 read, 0 no record, -1 a record that cannot be read.
int readIntent(const std::string& recordPath, IntentRecord& intent);
// Deletes the record and makes the deletion durable.
bool clearIntent(const std::string& recordPath);

}  // namespace cw
