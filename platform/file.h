// 64-bit file access for the engine: every read, write, seek and truncate of
// an edit goes through here, in blocks of at most 32 768 bytes, so that one
// hook can make any call fail for the fault-injection tests.
#pragma once

#include <cstdint>
#include <string>

namespace cw::platform {

inline constexpr std::size_t kMaxBlock = 32768;

enum class OpenMode {
  Read,       // existing file, read only
  ReadWrite,  // existing file, read and write
  Create,     // create or replace (an existing file is deleted first), read and write
  CreateNew,  // exclusive create: fails when the file exists
};

// An open file. Move-only; closes itself.
class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens `path`. When the first open fails and the mode writes, the file is
  // made writable and the open is tried once more. Returns false on failure.
  bool open(const std::string& path, OpenMode mode);
  void close();
  bool isOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }

  // Position of the next sequential read or write.
  bool seek(std::int64_t offset);
  std::int64_t tell() const { return pos_; }
  // Length of the file, -1 on failure.
  std::int64_t length() const;

  // Sequential I/O at the current position, split into blocks of at most
  // kMaxBlock bytes. Returns the bytes transferred (short at end of file for
  // reads), or -1 on failure.
  std::int64_t read(void* buffer, std::int64_t count);
  std::int64_t write(const void* buffer, std::int64_t count);
  // Reads exactly `count` bytes at `offset`; false on failure or short read.
  bool readAt(std::int64_t offset, void* buffer, std::int64_t count);
  bool writeAt(std::int64_t offset, const void* buffer, std::int64_t count);

  // Sets the file's length (64-bit); the position is left unchanged.
  bool truncate(std::int64_t length);
  bool flush();
  // Makes the file's content and length durable (fdatasync). True at once
  // while syncs are switched off.
  bool sync();

 private:
  int fd_ = -1;
  std::int64_t pos_ = 0;
  std::string path_;
};

// Whole-file helpers.
bool fileExists(const std::string& path);
std::int64_t fileSize(const std::string& path);  // -1 when it cannot be read
bool removeFile(const std::string& path);
bool isReadOnly(const std::string& path);
bool setReadOnly(const std::string& path, bool readOnly);
// Renames `from` over `to` (replacing it atomically).
bool renameFile(const std::string& from, const std::string& to);
// Makes the names in the folder holding `path` durable: a file created,
// renamed or deleted there survives a power cut once this returned true.
bool syncFolderOf(const std::string& path);
// Writes `text` to a temporary file beside `path`, syncs it, renames it over
// `path` and syncs the folder: readers see the old file or the new one,
// never a part of either.
bool replaceFileDurably(const std::string& path, const std::string& text);
// Syncs are on by default; a benchmark switches them off to measure what
// they cost. Never switched off in a real run.
void setSyncEnabled(bool enabled);
bool syncEnabled();
// Free bytes available to this user on the file system holding `path` (a
// file or a folder; for a file that does not exist yet, its folder). -1 on
// failure.
std::int64_t freeSpace(const std::string& path);

// Fault injection for tests: counts every open/read/write/seek/truncate call
// (one read or write of a block counts once) and makes the call with the
// given 1-based number fail. 0 disarms. The count restarts when armed.
namespace fault {
enum class Op { Open, Read, Write, Seek, Truncate };
void failAt(std::int64_t callNumber);
void disarm();
std::int64_t callsSoFar();
// Called by the file layer before every operation; true means fail it.
bool shouldFail(Op op);
}  // namespace fault

}  // namespace cw::platform
