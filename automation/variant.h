// The value that crosses a control's automation interface: empty, a 16-bit
// Boolean (true = -1), 16- and 32-bit integers, single and double floats, a
// string, or an opaque object (a picture, for instance) shared by reference.
//
// Conversions follow the usual automation rules: numbers convert among each
// other with rounding to nearest (ties to even) and a range check; a Boolean
// is -1 or 0 as a number and any non-zero number is true; strings convert to
// numbers when they hold one number and nothing else, "True"/"False" convert
// to Booleans, and every value except an object converts to a string.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

#include "automation/status.h"

namespace cw::automation {

// Base of objects carried by reference (pictures and the like). The receiver
// of an object keeps it alive by holding the shared pointer.
class Object {
 public:
  virtual ~Object() = default;
  virtual std::string typeName() const = 0;
};

enum class VariantType : std::uint8_t {
  Empty,  // no value; as a member type: "any value", as a result type: "none"
  Bool,
  Int16,
  Int32,
  Float,
  Double,
  String,
  Object,
};

const char* typeName(VariantType type);  // "Empty", "Boolean", "Integer", ...

inline constexpr std::int16_t kTrue = -1;
inline constexpr std::int16_t kFalse = 0;

class Variant {
 public:
  Variant() = default;
  static Variant fromBool(bool value);
  Variant(bool) = delete;  // say fromBool(): a bare bool would silently become 1
  Variant(std::int16_t value) : value_(value) {}
  Variant(std::int32_t value) : value_(value) {}
  Variant(float value) : value_(value) {}
  Variant(double value) : value_(value) {}
  Variant(std::string value) : value_(std::move(value)) {}
  Variant(const char* value) : value_(std::string(value)) {}
  Variant(std::shared_ptr<Object> value) : value_(std::move(value)) {}

  VariantType type() const;
  bool isEmpty() const { return type() == VariantType::Empty; }

  // Checked conversions: kOk and the converted value, or kTypeMismatch /
  // kOverflow with the output untouched.
  int toBool(bool& out) const;
  int toInt16(std::int16_t& out) const;
  int toInt32(std::int32_t& out) const;
  int toFloat(float& out) const;
  int toDouble(double& out) const;
  int toString(std::string& out) const;
  std::shared_ptr<Object> toObject() const;  // nullptr unless an object

  // Converts to `type` (Empty keeps the value as it is).
  int convertTo(VariantType type, Variant& out) const;

  // Convenience reads that fall back to `otherwise` when not convertible.
  bool asBool(bool otherwise = false) const;
  std::int16_t asInt16(std::int16_t otherwise = 0) const;
  std::int32_t asInt32(std::int32_t otherwise = 0) const;
  float asFloat(float otherwise = 0.0f) const;
  double asDouble(double otherwise = 0.0) const;
  std::string asString(const std::string& otherwise = {}) const;

  // Same type and equal value (objects: the same object).
  bool operator==(const Variant& other) const;

 private:
  struct BoolValue {
    std::int16_t value;  // -1 or 0
    bool operator==(const BoolValue&) const = default;
  };
  std::variant<std::monostate, BoolValue, std::int16_t, std::int32_t, float, double, std::string,
               std::shared_ptr<Object>>
      value_;

  int toNumber(double& out) const;
};

}  // namespace cw::automation
