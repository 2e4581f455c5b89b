#include "engine/edit/journal_file.h"

#include <algorithm>
#include <utility>

namespace cw {

void encodeJournalHeader(std::uint8_t* out, std::int64_t joinOffset) {
  const auto v = static_cast<std::uint64_t>(joinOffset);
  for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::int64_t decodeJournalHeader(const std::uint8_t* in) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | in[i];
  return static_cast<std::int64_t>(v);
}

bool createReplacing(platform::File& file, const std::string& path) {
  if (file.open(path, platform::OpenMode::Create)) return true;
  if (!platform::fileExists(path)) return false;
  platform::setReadOnly(path, false);
  platform::removeFile(path);
  return file.open(path, platform::OpenMode::Create);
}

std::string stagedJournalPath(const std::string& journalPath) { return journalPath + ".new"; }

namespace {

// Copies [from, from + count) of `in` to the current position of `out`.
// Returns 0, readError or writeError.
int copyRange(platform::File& in, std::int64_t from, std::int64_t count, platform::File& out,
              std::vector<std::uint8_t>& buffer, int readError, int writeError) {
  if (!in.seek(from)) return readError;
  const auto block = static_cast<std::int64_t>(buffer.size());
  while (count > 0) {
    const std::int64_t n = std::min(count, block);
    if (in.read(buffer.data(), n) != n) return readError;
    if (out.write(buffer.data(), n) != n) return writeError;
    count -= n;
  }
  return 0;
}

}  // namespace

ChangeJournals::ChangeJournals(std::string undoPath, std::string redoPath,
                               JournalErrorNumbers numbers)
    : undoPath_(std::move(undoPath)),
      redoPath_(std::move(redoPath)),
      stagedUndo_(stagedJournalPath(undoPath_)),
      stagedRedo_(stagedJournalPath(redoPath_)),
      numbers_(numbers) {}

int ChangeJournals::create() {
  if (!createReplacing(undo_, stagedUndo_)) return numbers_.createUndo;
  undoCreated_ = true;
  if (!createReplacing(redo_, stagedRedo_)) return numbers_.createRedo;
  redoCreated_ = true;
  return 0;
}

int ChangeJournals::makeDurable() {
  if (!undo_.sync() || !redo_.sync()) return numbers_.writeUndo;
  if (!platform::syncFolderOf(stagedUndo_)) return numbers_.writeUndo;
  if (!platform::syncFolderOf(stagedRedo_)) return numbers_.writeUndo;
  return 0;
}

int ChangeJournals::syncRedo() { return redo_.sync() ? 0 : numbers_.writeRedo; }

bool ChangeJournals::publishUndo() {
  if (!platform::renameFile(stagedUndo_, undoPath_)) return false;
  undoCreated_ = false;
  return platform::syncFolderOf(undoPath_);
}

bool ChangeJournals::publish() {
  if (!publishUndo()) return false;
  if (!platform::renameFile(stagedRedo_, redoPath_)) return false;
  redoCreated_ = false;
  return platform::syncFolderOf(redoPath_);
}

int ChangeJournals::writeHeaders(std::int64_t joinOffset) {
  std::uint8_t header[kJournalHeaderSize];
  encodeJournalHeader(header, joinOffset);
  if (undo_.write(header, kJournalHeaderSize) != kJournalHeaderSize) return numbers_.writeUndo;
  if (redo_.write(header, kJournalHeaderSize) != kJournalHeaderSize) return numbers_.writeRedo;
  joinOffset_ = joinOffset;
  return 0;
}

int ChangeJournals::saveOldTail(platform::File& record, std::int64_t joinOffset,
                                std::int64_t oldLength, std::vector<std::uint8_t>& buffer) {
  return copyRange(record, joinOffset, oldLength - joinOffset, undo_, buffer, numbers_.readRecord,
                   numbers_.writeUndo);
}

int ChangeJournals::teeChunk(const std::uint8_t* bytes, std::int64_t count) {
  return redo_.write(bytes, count) == count ? 0 : numbers_.writeRedo;
}

bool ChangeJournals::restoreRecord(platform::File& record, std::vector<std::uint8_t>& buffer) {
  const std::int64_t undoLength = undo_.length();
  if (joinOffset_ < 0 || undoLength < kJournalHeaderSize) return false;
  const std::int64_t body = undoLength - kJournalHeaderSize;
  if (!record.seek(joinOffset_)) return false;
  if (copyRange(undo_, kJournalHeaderSize, body, record, buffer, 1, 1) != 0) return false;
  return record.truncate(joinOffset_ + body);
}

void ChangeJournals::close() {
  undo_.close();
  redo_.close();
}

void ChangeJournals::deleteCreated() {
  close();
  if (undoCreated_) platform::removeFile(stagedUndo_);
  if (redoCreated_) platform::removeFile(stagedRedo_);
  undoCreated_ = redoCreated_ = false;
}

void ChangeJournals::deleteRedo() {
  redo_.close();
  if (redoCreated_) platform::removeFile(stagedRedo_);
  platform::removeFile(redoPath_);
  redoCreated_ = false;
}

}  // namespace cw
