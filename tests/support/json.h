// A small JSON reader for test programs: enough for ffprobe's output and for
// the one-object-per-line output of clipwright-cli. Numbers are doubles;
// objects keep their keys in order.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace cw::test {

class Json {
 public:
  enum class Kind { Null, Bool, Number, String, Array, Object };

  Json() = default;
  static Json boolean(bool value);
  static Json number(double value);
  static Json string(std::string value);
  static Json array();
  static Json object();

  // Parses one JSON text (surrounding white space allowed). On failure
  // returns false and describes the problem in `error`.
  static bool parse(const std::string& text, Json& result, std::string* error = nullptr);

  Kind kind() const { return kind_; }
  bool isNull() const { return kind_ == Kind::Null; }
  bool isNumber() const { return kind_ == Kind::Number; }
  bool isString() const { return kind_ == Kind::String; }
  bool isArray() const { return kind_ == Kind::Array; }
  bool isObject() const { return kind_ == Kind::Object; }

  bool asBool() const { return bool_; }
  double asNumber() const { return number_; }
  const std::string& asString() const { return string_; }

  // Arrays and objects: element count. Anything else: 0.
  std::size_t size() const;
  const Json& operator[](std::size_t index) const;  // null when out of range
  const std::vector<Json>& items() const { return items_; }

  // Objects: the member of that name, or a null value when absent.
  const Json& operator[](const std::string& key) const;
  const Json& operator[](const char* key) const { return (*this)[std::string(key)]; }
  bool has(const std::string& key) const;
  const std::vector<std::pair<std::string, Json>>& members() const { return members_; }

  // Number of a member that may be written as a number or as a numeric
  // string (ffprobe writes many numbers as strings); `fallback` when the
  // member is absent or not numeric. "30000/1001" is read as a fraction.
  double numberOr(const std::string& key, double fallback) const;
  std::string stringOr(const std::string& key, const std::string& fallback) const;

  void push(Json value);
  void set(std::string key, Json value);

 private:
  Kind kind_ = Kind::Null;
  bool bool_ = false;
  double number_ = 0.0;
  std::string string_;
  std::vector<Json> items_;
  std::vector<std::pair<std::string, Json>> members_;
};

// Reads a number written as "12.5", "30000/1001" or "N/A"; false when it is
// not a number.
bool parseNumberText(const std::string& text, double& value);

}  // namespace cw::test
