#include "cli/json_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace cw::cli {

std::string jsonString(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);  // UTF-8 passes through
        }
    }
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
