#include "cli/json_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace cw::cli {

namespace {

// Length of the well-formed UTF-8 sequence at the start of `text`, 0 when
// it is not one (file names on this platform are bytes, not text).
std::size_t utf8Sequence(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = lead < 0x80                   ? 1
                       : lead >= 0xC2 && lead < 0xE0 ? 2
                       : lead >= 0xE0 && lead < 0xF0 ? 3
                       : lead >= 0xF0 && lead < 0xF5 ? 4
                                                     : 0;
  if (length == 0 || text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i)
    if ((byte(i) & 0xC0) != 0x80) return 0;
  if (lead == 0xE0 && byte(1) < 0xA0) return 0;   // overlong
  if (lead == 0xED && byte(1) >= 0xA0) return 0;  // surrogate
  if (lead == 0xF0 && byte(1) < 0x90) return 0;   // overlong
  if (lead == 0xF4 && byte(1) >= 0x90) return 0;  // beyond U+10FFFF
  return length;
}

}  // namespace

std::string jsonString(std::string_view text) {
  std::string out = "\"";
  while (!text.empty()) {
    const unsigned char c = static_cast<unsigned char>(text.front());
    const std::size_t length = utf8Sequence(text);
    if (length == 0) {
      out += "\\ufffd";  // a byte that is not UTF-8
      text.remove_prefix(1);
      continue;
    }
    if (length > 1) {
      out.append(text.substr(0, length));
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
    text.remove_prefix(length);
  }
  return out + "\"";
}

void JsonObject::key(std::string_view name) {
  if (!body_.empty()) body_ += ',';
  body_ += jsonString(name);
  body_ += ':';
}

JsonObject& JsonObject::add(std::string_view name, std::string_view text) {
  key(name);
  body_ += jsonString(text);
  return *this;
}

JsonObject& JsonObject::add(std::string_view name, std::int64_t number) {
  key(name);
  body_ += std::to_string(number);
  return *this;
}

JsonObject& JsonObject::add(std::string_view name, double number) {
  key(name);
  if (!std::isfinite(number)) {
    body_ += "null";
    return *this;
  }
  char text[32];
  auto [end, ec] = std::to_chars(text, text + sizeof text, number);
  body_.append(text, end);
  return *this;
}

JsonObject& JsonObject::addRaw(std::string_view name, std::string_view json) {
  key(name);
  body_ += json;
  return *this;
}

}  // namespace cw::cli
