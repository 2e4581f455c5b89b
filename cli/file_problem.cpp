#include "cli/file_problem.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <system_error>

#include "cli/command.h"

namespace cw::cli {

namespace {

namespace fs = std::filesystem;

// strerror's text, starting in lower case as the other reasons do.
std::string systemReason(int error) {
  std::string text = std::strerror(error);
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

// The reason access() gives for `mode` on `path`, or empty when it is granted.
std::string accessProblem(const fs::path& path, int mode) {
  if (::access(path.c_str(), mode) == 0) return "";
  return systemReason(errno);
}

}  // namespace

std::string fileProblem(const std::string& path, FileUse use) {
  if (path.empty()) return "no file name";
  std::error_code ec;
  const fs::path file(path);
  const fs::file_status status = fs::status(file, ec);
  if (fs::is_directory(status)) return "a directory";
  if (fs::exists(status)) return accessProblem(file, use == FileUse::Read ? R_OK : R_OK | W_OK);

  const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
  const fs::file_status folderStatus = fs::status(folder, ec);
  if (!fs::exists(folderStatus)) return "no such folder " + folder.string();
  if (!fs::is_directory(folderStatus)) return folder.string() + " is not a folder";
  if (use != FileUse::Create) return "no such file";
  const std::string denied = accessProblem(folder, W_OK | X_OK);
  return denied.empty() ? "" : "folder " + folder.string() + ": " + denied;
}

int reportFileError(std::ostream& err, const std::string& path, int number,
                    const std::string& message, const std::string& problem) {
  err << kProgram << ": " << path << ": error " << number << ": " << message;
  if (!problem.empty()) err << " (" << problem << ')';
  err << '\n';
  return kExitFailed;
}

}  // namespace cw::cli
