#include "platform/file.h"

#include "platform/crash_model.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>

namespace cw::platform {

namespace fault {
namespace {
std::atomic<std::int64_t> g_failAt{0};
std::atomic<std::int64_t> g_calls{0};
}  // namespace

void failAt(std::int64_t callNumber) {
  g_calls = 0;
  g_failAt = callNumber;
}
void disarm() { g_failAt = 0; }
std::int64_t callsSoFar() { return g_calls; }
bool shouldFail(Op) {
  const std::int64_t n = ++g_calls;
  const std::int64_t target = g_failAt;
  return target > 0 && n == target;
}
}  // namespace fault

File::~File() { close(); }

File::File(File&& other) noexcept
    : fd_(other.fd_), pos_(other.pos_), path_(std::move(other.path_)) {
  other.fd_ = -1;
  other.pos_ = 0;
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = other.fd_;
    pos_ = other.pos_;
    path_ = std::move(other.path_);
    other.fd_ = -1;
    other.pos_ = 0;
  }
  return *this;
}

namespace {
int openFlags(OpenMode mode) {
  switch (mode) {
    case OpenMode::Read:
      return O_RDONLY;
    case OpenMode::ReadWrite:
      return O_RDWR;
    case OpenMode::Create:
      return O_RDWR | O_CREAT | O_TRUNC;
    case OpenMode::CreateNew:
      return O_RDWR | O_CREAT | O_EXCL;
  }
  return O_RDONLY;
}

bool creates(OpenMode mode) { return mode == OpenMode::Create || mode == OpenMode::CreateNew; }

int openOnce(const std::string& path, OpenMode mode) {
  if (mode == OpenMode::Create && fileExists(path)) {
    crash::beforeRemove(path);
    ::unlink(path.c_str());
  }
  if (creates(mode) && !fileExists(path)) crash::beforeCreate(path);
  return ::open(path.c_str(), openFlags(mode) | O_CLOEXEC, 0644);
}

std::atomic<bool> g_syncEnabled{true};
}  // namespace

bool File::open(const std::string& path, OpenMode mode) {
  close();
  if (fault::shouldFail(fault::Op::Open)) return false;
  int fd = openOnce(path, mode);
  if (fd < 0 && mode != OpenMode::Read && errno == EACCES) {
    setReadOnly(path, false);
    fd = openOnce(path, mode);
  }
  if (fd < 0) return false;
  fd_ = fd;
  pos_ = 0;
  path_ = path;
  return true;
}

void File::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  pos_ = 0;
  path_.clear();
}

bool File::seek(std::int64_t offset) {
  if (fd_ < 0 || offset < 0) return false;
  if (fault::shouldFail(fault::Op::Seek)) return false;
  pos_ = offset;
  return true;
}

std::int64_t File::length() const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

std::int64_t File::read(void* buffer, std::int64_t count) {
  if (fd_ < 0 || count < 0) return -1;
  auto* out = static_cast<unsigned char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const std::int64_t block = std::min<std::int64_t>(count - done, kMaxBlock);
    if (fault::shouldFail(fault::Op::Read)) return -1;
    const ssize_t n = ::pread(fd_, out + done, static_cast<size_t>(block), pos_);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += n;
    pos_ += n;
  }
  return done;
}

std::int64_t File::write(const void* buffer, std::int64_t count) {
  if (fd_ < 0 || count < 0) return -1;
  const auto* in = static_cast<const unsigned char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const std::int64_t block = std::min<std::int64_t>(count - done, kMaxBlock);
    if (fault::shouldFail(fault::Op::Write)) return -1;
    crash::beforeWrite(path_, fd_, pos_, block);
    const ssize_t n = ::pwrite(fd_, in + done, static_cast<size_t>(block), pos_);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) return -1;
    done += n;
    pos_ += n;
  }
  return done;
}

bool File::readAt(std::int64_t offset, void* buffer, std::int64_t count) {
  return seek(offset) && read(buffer, count) == count;
}

bool File::writeAt(std::int64_t offset, const void* buffer, std::int64_t count) {
  return seek(offset) && write(buffer, count) == count;
}

bool File::truncate(std::int64_t length) {
  if (fd_ < 0 || length < 0) return false;
  if (fault::shouldFail(fault::Op::Truncate)) return false;
  crash::beforeTruncate(path_, fd_, length);
  return ::ftruncate(fd_, static_cast<off_t>(length)) == 0;
}

bool File::flush() { return fd_ >= 0 && ::fsync(fd_) == 0; }

bool File::sync() {
  if (fd_ < 0) return false;
  if (!g_syncEnabled) return true;
  if (::fdatasync(fd_) != 0) return false;
  crash::fileSynced(path_);
  return true;
}

bool fileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

std::int64_t fileSize(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

bool removeFile(const std::string& path) {
  if (fileExists(path)) crash::beforeRemove(path);
  if (::unlink(path.c_str()) == 0) return true;
  if (errno == EACCES || errno == EPERM) {
    setReadOnly(path, false);
    return ::unlink(path.c_str()) == 0;
  }
  return false;
}

bool isReadOnly(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool setReadOnly(const std::string& path, bool readOnly) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  mode = readOnly ? (mode & ~(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
  return ::chmod(path.c_str(), mode) == 0;
}

bool renameFile(const std::string& from, const std::string& to) {
  crash::beforeRename(from, to);
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool syncFolderOf(const std::string& path) {
  if (!g_syncEnabled) return true;
  std::error_code ec;
  const auto full = std::filesystem::absolute(path, ec);
  std::string folder = (ec ? std::filesystem::path(path) : full).lexically_normal().parent_path();
  if (folder.empty()) folder = ".";
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  if (ok) crash::folderSynced(folder);
  return ok;
}

bool replaceFileDurably(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".tmp";
  File file;
  const auto size = static_cast<std::int64_t>(text.size());
  const bool written = file.open(temporary, OpenMode::Create) &&
                       file.write(text.data(), size) == size && file.sync();
  file.close();
  if (!written || !renameFile(temporary, path)) {
    removeFile(temporary);
    return false;
  }
  return syncFolderOf(path);
}

void setSyncEnabled(bool enabled) { g_syncEnabled = enabled; }
bool syncEnabled() { return g_syncEnabled; }

std::int64_t freeSpace(const std::string& path) {
  std::string probe = path.empty() ? std::string(".") : path;
  if (!fileExists(probe)) {
    const auto parent = std::filesystem::path(probe).parent_path();
    probe = parent.empty() ? std::string(".") : parent.string();
  }
  struct statvfs vfs {};
  if (::statvfs(probe.c_str(), &vfs) != 0) return -1;
  // 64-bit product: block counts times block size pass 4 GiB on any modern disk.
  return static_cast<std::int64_t>(vfs.f_bavail) * static_cast<std::int64_t>(vfs.f_frsize);
}

}  // namespace cw::platform
