// Undo and redo journal files. Both have the same form, little-endian:
//
//   offset 0, 8 bytes: J, signed 64-bit offset in the record file where the
//                      saved bytes belong
//   offset 8, n bytes: the saved bytes (undo: the record's old [J, old end);
//                      redo: what the change wrote from J, [J, new end))
//
// A journal shorter than the header is invalid. Nothing else is checked: a
// journal only makes sense together with the record state it was written for.
//
// This file holds the side of a change (append, entry, sequence append): it
// creates both journals, saves the old tail, tees every produced chunk into
// the redo journal, and puts the old tail back when the change cannot finish.
// A change writes its journals under staged names (the journal's name with
// ".new") and renames them over the journals of the previous change only
// once it is complete, so that a change cut short by a crash leaves the
// previous history where it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/common/errors.h"
#include "platform/file.h"

namespace cw {

inline constexpr std::int64_t kJournalHeaderSize = 8;
inline constexpr std::int64_t kJournalBlock = 32768;

void encodeJournalHeader(std::uint8_t* out, std::int64_t joinOffset);
std::int64_t decodeJournalHeader(const std::uint8_t* in);

// Creates (or replaces) a file for writing: truncating, read/write. When that
// fails and a file of the name exists, it is made writable, deleted and
// created again. False when the file cannot be made.
bool createReplacing(platform::File& file, const std::string& path);

// The name a journal has while the change that writes it runs.
std::string stagedJournalPath(const std::string& journalPath);

// The error numbers one kind of change reports for its journal work.
struct JournalErrorNumbers {
  int createUndo;  // 4002 append, 3002 entry
  int createRedo;  // 4003, 3003
  int writeUndo;   // 4009, 3009
  int writeRedo;   // 4010, 3010
  int readRecord;  // 4008, 3008
};

inline constexpr JournalErrorNumbers kAppendJournalErrors{kErrAppendOpenUndo, kErrAppendOpenRedo,
                                                          kErrAppendWriteUndo, kErrAppendWriteRedo,
                                                          kErrAppendReadRecord};
inline constexpr JournalErrorNumbers kEntryJournalErrors{kErrEntryOpenUndo, kErrEntryOpenRedo,
                                                         kErrEntryWriteUndo, kErrEntryWriteRedo,
                                                         kErrEntryReadRecord};

// The two journals of one change. The change sets its history flags to
// "change starts" before create() and decides the outcome flags itself.
class ChangeJournals {
 public:
  ChangeJournals(std::string undoPath, std::string redoPath, JournalErrorNumbers numbers);
  ~ChangeJournals() = default;
  ChangeJournals(const ChangeJournals&) = delete;
  ChangeJournals& operator=(const ChangeJournals&) = delete;

  // Creates the staged undo file, then the staged redo file. 0, createUndo
  // or createRedo.
  int create();
  // Makes both staged journals and their names durable (the undo journal
  // must be, before the record changes). 0 or writeUndo.
  int makeDurable();
  // Syncs the staged redo journal once the change is written. 0 or writeRedo.
  int syncRedo();
  // Renames the staged journals over the previous ones and makes that
  // durable. False when a rename fails.
  bool publish();
  // Only the undo journal (a change that could not be rolled back keeps it
  // so that Undo can repair the record).
  bool publishUndo();
  // Writes J as the header of both files. 0, writeUndo or writeRedo.
  int writeHeaders(std::int64_t joinOffset);
  // Copies the record's [joinOffset, oldLength) into the undo file through
  // `buffer` (at least one block). 0, readRecord or writeUndo.
  int saveOldTail(platform::File& record, std::int64_t joinOffset, std::int64_t oldLength,
                  std::vector<std::uint8_t>& buffer);
  // Appends one produced chunk to the redo file. 0 or writeRedo.
  int teeChunk(const std::uint8_t* bytes, std::int64_t count);

  // Puts the saved tail back: the record gets the undo body at J and is cut
  // to J + body length, its length before the change. False on any failure.
  bool restoreRecord(platform::File& record, std::vector<std::uint8_t>& buffer);

  // Closes both files (they stay on disk).
  void close();
  // Deletes the journals this object created (closing them first).
  void deleteCreated();
  void deleteRedo();

  std::int64_t joinOffset() const { return joinOffset_; }
  const std::string& undoPath() const { return undoPath_; }
  const std::string& redoPath() const { return redoPath_; }
  const std::string& stagedUndoPath() const { return stagedUndo_; }
  const std::string& stagedRedoPath() const { return stagedRedo_; }
  // Length of the staged undo journal, -1 when it cannot be read.
  std::int64_t undoLength() const { return undo_.length(); }

 private:
  std::string undoPath_;
  std::string redoPath_;
  std::string stagedUndo_;
  std::string stagedRedo_;
  JournalErrorNumbers numbers_;
  platform::File undo_;
  platform::File redo_;
  bool undoCreated_ = false;
  bool redoCreated_ = false;
  std::int64_t joinOffset_ = -1;
};

}  // namespace cw
