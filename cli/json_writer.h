// One JSON object on one line, written key by key.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace cw::cli {

class JsonObject {
 public:
  JsonObject& add(std::string_view key, std::string_view text);
  JsonObject& add(std::string_view key, const char* text) {
    return add(key, std::string_view(text));
  }
  JsonObject& add(std::string_view key, std::int64_t number);
  JsonObject& add(std::string_view key, int number) { return add(key, std::int64_t{number}); }
  JsonObject& add(std::string_view key, double number);  // null when not finite
  JsonObject& addRaw(std::string_view key, std::string_view json);
  std::string str() const { return "{" + body_ + "}"; }

 private:
  void key(std::string_view name);
  std::string body_;
};

std::string jsonString(std::string_view text);

}  // namespace cw::cli
