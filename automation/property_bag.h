// Key -> value store in which a host keeps a control's design-time
// properties. Keys compare without regard to ASCII case and keep the spelling
// of their first write.
//
// Text form (UTF-8, one entry per line, "\n" line ends):
//
//   ClipwrightPropertyBag 1
//   <type> TAB <key> TAB <value>
//   ...
//
// <type> is one of: empty bool i16 i32 f32 f64 str. Booleans are written
// True/False, numbers in the shortest form that reads back to the same value.
// In keys and values a backslash, a tab, a line feed and a carriage return
// are written as \\ \t \n \r. Blank lines and lines starting with '#' are
// ignored on reading. Objects (pictures) live only in memory: they are not
// written to the text form.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "automation/names.h"
#include "automation/status.h"
#include "automation/variant.h"

namespace cw::automation {

class PropertyBag {
 public:
  // The stored value converted to the type of `otherwise`; `otherwise` when
  // the key is absent or its value does not convert. An empty `otherwise`
  // returns the stored value as it is.
  Variant read(std::string_view key, const Variant& otherwise = {}) const;
  void write(std::string_view key, Variant value);
  bool contains(std::string_view key) const;
  bool remove(std::string_view key);
  void clear() { entries_.clear(); }
  std::size_t size() const { return entries_.size(); }
  std::vector<std::string> keys() const;  // in key order

  std::string toText() const;
  // Replaces the contents on success; leaves them untouched on failure
  // (kBadFormat with the line number in the message).
  Status fromText(std::string_view text);

  // Whole-file forms of the above. save() writes a temporary file next to
  // `path` and renames it over `path`, so a failed save keeps the old file.
  Status load(const std::string& path);
  Status save(const std::string& path) const;

 private:
  std::map<std::string, Variant, LessNoCase> entries_;
};

}  // namespace cw::automation
