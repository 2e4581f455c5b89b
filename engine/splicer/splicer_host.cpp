// What the Splicer control does for its host besides editing: the free space
// of the current drive, a free temporary file name, and the persisted
// properties.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "engine/splicer/splicer.h"
#include "platform/file.h"

namespace cw {

using automation::PropertyBag;
using automation::Variant;

double Splicer::spaceAvailable() {
  if (spaceMeter_) return props_.spaceAvailable = spaceMeter_();
  constexpr std::int64_t kMegabyte = 1048576;
  const std::int64_t bytes = platform::freeSpace(".");
  props_.spaceAvailable = bytes < 0 ? 0.0 : static_cast<double>(bytes / kMegabyte * kMegabyte);
  return props_.spaceAvailable;
}

std::string Splicer::GenerateUniqueName() {
  constexpr int kLastNumber = 999999;
  for (int i = 1; i <= kLastNumber; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "tm%06d", i);
    const int fd = ::open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd >= 0) {
      ::close(fd);
      ::chmod(name, S_IRUSR | S_IWUSR);
      ::unlink(name);
      return name;
    }
    // Only an existing file makes the next number worth trying; a folder
    // that refuses new files refuses them all.
    if (errno != EEXIST) break;
  }
  return {};
}

void Splicer::writeProperties(PropertyBag& bag) const {
  bag.write(kVersionKey, Variant(kPersistVersion));
  bag.write("RecordFileName", Variant(props_.recordFileName));
  bag.write("SourceFileName", Variant(props_.sourceFileName));
  bag.write("SourceMarkIn", Variant(props_.sourceMarkIn));
  bag.write("SourceMarkOut", Variant(props_.sourceMarkOut));
  bag.write("RecordMarkEntry", Variant(props_.recordMarkEntry));
  bag.write("RecordMode", Variant(props_.recordMode));
  bag.write("UndoFileName", Variant(props_.undoFileName));
  bag.write("RedoFileName", Variant(props_.redoFileName));
}

void Splicer::readProperties(const PropertyBag& bag) {
  const OperationContext defaults;
  const auto text = [&bag](const char* key, const std::string& otherwise) {
    return bag.read(key, Variant(otherwise)).asString(otherwise);
  };
  const auto seconds = [&bag](const char* key, double otherwise) {
    return bag.read(key, Variant(otherwise)).asDouble(otherwise);
  };
  props_.recordFileName = text("RecordFileName", defaults.recordFileName);
  props_.sourceFileName = text("SourceFileName", defaults.sourceFileName);
  props_.sourceMarkIn = seconds("SourceMarkIn", defaults.sourceMarkIn);
  props_.sourceMarkOut = seconds("SourceMarkOut", defaults.sourceMarkOut);
  props_.recordMarkEntry = seconds("RecordMarkEntry", defaults.recordMarkEntry);
  props_.recordMode =
      bag.read("RecordMode", Variant(defaults.recordMode)).asInt16(defaults.recordMode);
  props_.undoFileName = text("UndoFileName", defaults.undoFileName);
  props_.redoFileName = text("RedoFileName", defaults.redoFileName);
  setModified(false);
}

}  // namespace cw
