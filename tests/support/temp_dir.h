// A fresh directory for one test, removed with everything in it at the end.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace cw::test {

class TempDir {
 public:
  // Creates a unique directory under $TMPDIR (or /tmp) whose name starts
  // with `prefix`. Throws std::runtime_error when that fails.
  explicit TempDir(const std::string& prefix = "cw-test");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Path of a file inside the directory.
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// A folder of this test process, made on first use and removed when the
// process ends. ctest runs the tests of one program side by side in separate
// processes, so files with fixed names belong here, not in a shared folder.
const TempDir& processScratchDir();

// Writes bytes to a file (replacing it); false on failure.
bool writeFile(const std::string& path, const std::string& bytes);
// Reads a whole file; empty when it cannot be read.
std::string readFile(const std::string& path);
std::vector<std::uint8_t> readBytes(const std::string& path);

}  // namespace cw::test
