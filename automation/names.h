// Member names and property-bag keys compare without regard to ASCII case.
#pragma once

#include <string>
#include <string_view>

namespace cw::automation {

inline char lowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string foldCase(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) c = lowerAscii(c);
  return folded;
}

inline bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  return true;
}

// Strict-weak order for maps keyed by names.
struct LessNoCase {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const {
    std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
      char x = lowerAscii(a[i]), y = lowerAscii(b[i]);
      if (x != y) return x < y;
    }
    return a.size() < b.size();
  }
};

}  // namespace cw::automation
