// A fresh directory for one test, removed with everything in it at the end.
#pragma once

#include <filesystem>
#include <string>

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

// Writes bytes to a file (replacing it); false on failure.
bool writeFile(const std::string& path, const std::string& bytes);
// Reads a whole file; empty when it cannot be read.
std::string readFile(const std::string& path);

}  // namespace cw::test
