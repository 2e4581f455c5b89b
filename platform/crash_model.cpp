#include "platform/crash_model.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <mutex>
#include <vector>

namespace cw::platform::crash {

namespace {

namespace fs = std::filesystem;

// One change that a power cut could still take back.
struct Pending {
  enum class Kind { Data, Create, Remove, Rename } kind;
  std::string path;             // the file (Rename: its new name)
  std::string from;             // Rename: the old name
  std::string saved;            // Remove/Rename: a link to the file taken away
  std::int64_t offset = 0;      // Data: where the old bytes belong
  std::vector<char> oldBytes;   // Data: the bytes the change replaced
  std::int64_t oldLength = -1;  // Data: the file's length before the change
};

std::atomic<std::int64_t> g_stopAt{0};
std::atomic<std::int64_t> g_changes{0};
bool g_drop = false;
std::atomic<int> g_signal{0};
std::mutex g_mutex;
std::vector<Pending> g_pending;
int g_links = 0;

std::string normal(const std::string& path) {
  std::error_code ec;
  const fs::path full = fs::absolute(path, ec);
  return (ec ? fs::path(path) : full).lexically_normal().string();
}

std::string folderOf(const std::string& path) { return fs::path(path).parent_path().string(); }

std::string linkAside(const std::string& path) {
  const std::string name = path + ".cw-shadow-" + std::to_string(++g_links);
  return ::link(path.c_str(), name.c_str()) == 0 ? name : std::string();
}

void undoData(const Pending& p) {
  const int fd = ::open(p.path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return;
  if (!p.oldBytes.empty()) {
    [[maybe_unused]] const ssize_t n = ::pwrite(fd, p.oldBytes.data(), p.oldBytes.size(), p.offset);
  }
  [[maybe_unused]] const int rc = ::ftruncate(fd, static_cast<off_t>(p.oldLength));
  ::close(fd);
}

void undo(const Pending& p) {
  switch (p.kind) {
    case Pending::Kind::Data:
      undoData(p);
      break;
    case Pending::Kind::Create:
      ::unlink(p.path.c_str());
      break;
    case Pending::Kind::Remove:
      if (!p.saved.empty()) ::rename(p.saved.c_str(), p.path.c_str());
      break;
    case Pending::Kind::Rename:
      ::rename(p.path.c_str(), p.from.c_str());
      if (!p.saved.empty()) ::rename(p.saved.c_str(), p.path.c_str());
      break;
  }
}

[[noreturn]] void stopNow() {
  if (g_drop) {
    std::lock_guard lock(g_mutex);
    for (auto it = g_pending.rbegin(); it != g_pending.rend(); ++it) undo(*it);
    g_pending.clear();
  }
  ::kill(::getpid(), SIGKILL);
  for (;;) ::pause();
}

// Counts one change; stops the process when it is the chosen one. True when
// the change must be shadowed.
bool count() {
  const std::int64_t target = g_stopAt;
  if (target <= 0) return false;
  if (++g_changes == target) {
    if (g_signal == 0) stopNow();
    ::raise(g_signal);
  }
  return g_drop;
}

// The file's bytes in [offset, offset + count) as they are now, and its length.
Pending snapshot(const std::string& path, int fd, std::int64_t offset, std::int64_t count) {
  Pending p{Pending::Kind::Data, path, {}, {}, offset, {}, -1};
  struct stat st {};
  if (::fstat(fd, &st) != 0) return p;
  p.oldLength = st.st_size;
  const std::int64_t end = std::min<std::int64_t>(offset + count, st.st_size);
  if (end > offset) {
    p.oldBytes.resize(static_cast<std::size_t>(end - offset));
    if (::pread(fd, p.oldBytes.data(), p.oldBytes.size(), offset) < 0) p.oldBytes.clear();
  }
  return p;
}

// Data shadows follow their file to its new name.
void moveData(const std::string& from, const std::string& to) {
  for (Pending& p : g_pending)
    if (p.kind == Pending::Kind::Data && p.path == from) p.path = to;
}

}  // namespace

void stopAt(std::int64_t change, bool dropUnsynced) {
  std::lock_guard lock(g_mutex);
  g_pending.clear();
  g_changes = 0;
  g_drop = dropUnsynced;
  g_stopAt = change;
}

bool armed() { return g_stopAt > 0; }
void signalInstead(int signal) { g_signal = signal; }
std::int64_t changesSoFar() { return g_changes; }

void beforeWrite(const std::string& path, int fd, std::int64_t offset, std::int64_t count) {
  if (!crash::count()) return;
  Pending p = snapshot(normal(path), fd, offset, count);
  if (p.oldLength < 0) return;
  std::lock_guard lock(g_mutex);
  g_pending.push_back(std::move(p));
}

void beforeTruncate(const std::string& path, int fd, std::int64_t length) {
  if (!crash::count()) return;
  struct stat st {};
  if (::fstat(fd, &st) != 0) return;
  const std::int64_t cut = std::min<std::int64_t>(length, st.st_size);
  Pending p = snapshot(normal(path), fd, cut, st.st_size - cut);
  std::lock_guard lock(g_mutex);
  g_pending.push_back(std::move(p));
}

void beforeCreate(const std::string& path) {
  if (!crash::count()) return;
  std::lock_guard lock(g_mutex);
  g_pending.push_back({Pending::Kind::Create, normal(path), {}, {}, 0, {}, -1});
}

void beforeRemove(const std::string& path) {
  if (!crash::count()) return;
  const std::string name = normal(path);
  std::lock_guard lock(g_mutex);
  const std::string saved = linkAside(name);
  moveData(name, saved);
  g_pending.push_back({Pending::Kind::Remove, name, {}, saved, 0, {}, -1});
}

void beforeRename(const std::string& from, const std::string& to) {
  if (!crash::count()) return;
  const std::string source = normal(from);
  const std::string target = normal(to);
  std::lock_guard lock(g_mutex);
  const std::string saved = ::access(target.c_str(), F_OK) == 0 ? linkAside(target) : std::string();
  moveData(target, saved);
  moveData(source, target);
  g_pending.push_back({Pending::Kind::Rename, target, source, saved, 0, {}, -1});
}

void fileSynced(const std::string& path) {
  if (!armed()) return;
  const std::string name = normal(path);
  std::lock_guard lock(g_mutex);
  std::erase_if(g_pending,
                [&](const Pending& p) { return p.kind == Pending::Kind::Data && p.path == name; });
}

void folderSynced(const std::string& folder) {
  if (!armed()) return;
  const std::string name = normal(folder);
  std::lock_guard lock(g_mutex);
  std::erase_if(g_pending, [&](const Pending& p) {
    if (p.kind == Pending::Kind::Data || folderOf(p.path) != name) return false;
    if (!p.saved.empty()) ::unlink(p.saved.c_str());
    return true;
  });
}

}  // namespace cw::platform::crash
