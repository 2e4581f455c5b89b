// Stopping the process at an exact change to the disk, for the crash tests.
//
// When armed, every change the file layer makes (a written block, a
// truncate, a created, renamed or deleted file) is counted, and the process
// kills itself with SIGKILL just before the chosen change. In the power-cut
// form it first undoes every change that was not yet made durable: the file
// layer keeps the bytes each unsynced write replaced (and a link to each
// file an unsynced rename or delete took away) in a shadow, a file sync
// drops that file's shadow and a folder sync the shadow of the names in it.
// What is left on the disk then is what a power cut at that instant could
// leave. Unarmed, the hooks cost one load each.
#pragma once

#include <cstdint>
#include <string>

namespace cw::platform::crash {

// Arms the model: stop just before change number `change` (1-based),
// dropping the unsynced changes first when `dropUnsynced`. 0 disarms.
void stopAt(std::int64_t change, bool dropUnsynced);
bool armed();
// Instead of the kill, raises `signal` once at the chosen change and lets the
// process go on, as a stop signal arriving at that instant (0: the kill).
void signalInstead(int signal);
// Changes counted since the model was armed.
std::int64_t changesSoFar();

// Hooks of the file layer, called before the change is made.
void beforeWrite(const std::string& path, int fd, std::int64_t offset, std::int64_t count);
void beforeTruncate(const std::string& path, int fd, std::int64_t length);
void beforeCreate(const std::string& path);
void beforeRemove(const std::string& path);
void beforeRename(const std::string& from, const std::string& to);
// Hooks called after a successful sync.
void fileSynced(const std::string& path);
void folderSynced(const std::string& folder);

}  // namespace cw::platform::crash
