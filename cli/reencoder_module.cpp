#include "cli/reencoder_module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <vector>

#ifndef CLIPWRIGHT_MODULE_DIR
#define CLIPWRIGHT_MODULE_DIR "../lib/clipwright"
#endif

namespace cw::cli {
namespace {

std::string programFolder() {
  char path[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  const std::string exe(path, static_cast<std::size_t>(n));
  const auto slash = exe.rfind('/');
  return slash == std::string::npos ? std::string(".") : exe.substr(0, slash);
}

std::vector<std::string> moduleCandidates() {
  const std::string folder = programFolder();
  return {folder + "/" + kReencoderModuleFile,
          folder + "/" + CLIPWRIGHT_MODULE_DIR + "/" + kReencoderModuleFile};
}

NewPictureReencoder openModule(std::string& problem) {
  static NewPictureReencoder entry = nullptr;
  if (entry) return entry;
  for (const std::string& path : moduleCandidates()) {
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      const char* why = ::dlerror();
      problem += (problem.empty() ? "" : "; ") + std::string(why ? why : path.c_str());
      continue;
    }
    entry = reinterpret_cast<NewPictureReencoder>(::dlsym(handle, kReencoderModuleEntry));
    if (entry) return entry;
    problem += (problem.empty() ? "" : "; ") + path + ": no entry " + kReencoderModuleEntry;
    ::dlclose(handle);
  }
  return nullptr;
}

}  // namespace

std::unique_ptr<PictureReencoder> loadPictureReencoder(std::string& problem) {
  problem.clear();
  const NewPictureReencoder entry = openModule(problem);
  if (!entry) return nullptr;
  std::unique_ptr<PictureReencoder> reencoder(entry());
  if (!reencoder) problem = "the picture re-encoder could not be made";
  return reencoder;
}

}  // namespace cw::cli
