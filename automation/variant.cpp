#include "automation/variant.h"

#include "automation/names.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace cw::automation {

namespace {

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// One decimal number and nothing else around it but blanks.
bool parseNumber(std::string_view text, double& out) {
  text = trimmed(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  double value = 0.0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  out = value;
  return true;
}

// Rounds to nearest with ties to even and checks the range of an integer type.
template <typename Int>
int roundToInt(double value, Int& out) {
  if (std::isnan(value)) return kOverflow;
  double rounded = std::nearbyint(value);
  if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<Int>::max()))
    return kOverflow;
  out = static_cast<Int>(rounded);
  return kOk;
}

template <typename Number>
std::string formatNumber(Number value) {
  char text[64];
  auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  return ec == std::errc() ? std::string(text, end) : std::string();
}

}  // namespace

const char* typeName(VariantType type) {
  switch (type) {
    case VariantType::Empty:
      return "Empty";
    case VariantType::Bool:
      return "Boolean";
    case VariantType::Int16:
      return "Integer";
    case VariantType::Int32:
      return "Long";
    case VariantType::Float:
      return "Single";
    case VariantType::Double:
      return "Double";
    case VariantType::String:
      return "String";
    case VariantType::Object:
      return "Object";
  }
  return "Unknown";
}

Variant Variant::fromBool(bool value) {
  Variant v;
  v.value_ = BoolValue{value ? kTrue : kFalse};
  return v;
}

VariantType Variant::type() const {
  static constexpr VariantType kByIndex[] = {
      VariantType::Empty, VariantType::Bool,   VariantType::Int16,  VariantType::Int32,
      VariantType::Float, VariantType::Double, VariantType::String, VariantType::Object};
  return kByIndex[value_.index()];
}

int Variant::toNumber(double& out) const {
  switch (type()) {
    case VariantType::Empty:
      out = 0.0;
      return kOk;
    case VariantType::Bool:
      out = std::get<BoolValue>(value_).value;
      return kOk;
    case VariantType::Int16:
      out = std::get<std::int16_t>(value_);
      return kOk;
    case VariantType::Int32:
      out = std::get<std::int32_t>(value_);
      return kOk;
    case VariantType::Float:
      out = std::get<float>(value_);
      return kOk;
    case VariantType::Double:
      out = std::get<double>(value_);
      return kOk;
    case VariantType::String:
      return parseNumber(std::get<std::string>(value_), out) ? kOk : kTypeMismatch;
    case VariantType::Object:
      return kTypeMismatch;
  }
  return kTypeMismatch;
}

int Variant::toBool(bool& out) const {
  if (type() == VariantType::String) {
    std::string_view text = trimmed(std::get<std::string>(value_));
    if (equalsNoCase(text, "true")) return out = true, kOk;
    if (equalsNoCase(text, "false")) return out = false, kOk;
  }
  double number = 0.0;
  if (int status = toNumber(number); status != kOk) return status;
  out = number != 0.0;
  return kOk;
}

int Variant::toInt16(std::int16_t& out) const {
  if (type() == VariantType::Bool) return out = std::get<BoolValue>(value_).value, kOk;
  double number = 0.0;
  if (int status = toNumber(number); status != kOk) return status;
  return roundToInt(number, out);
}

int Variant::toInt32(std::int32_t& out) const {
  double number = 0.0;
  if (int status = toNumber(number); status != kOk) return status;
  return roundToInt(number, out);
}

int Variant::toFloat(float& out) const {
  double number = 0.0;
  if (int status = toNumber(number); status != kOk) return status;
  if (std::isfinite(number) && std::fabs(number) > FLT_MAX) return kOverflow;
  out = static_cast<float>(number);
  return kOk;
}

int Variant::toDouble(double& out) const { return toNumber(out); }

int Variant::toString(std::string& out) const {
  switch (type()) {
    case VariantType::Empty:
      out.clear();
      return kOk;
    case VariantType::Bool:
      out = std::get<BoolValue>(value_).value ? "True" : "False";
      return kOk;
    case VariantType::Int16:
      out = std::to_string(std::get<std::int16_t>(value_));
      return kOk;
    case VariantType::Int32:
      out = std::to_string(std::get<std::int32_t>(value_));
      return kOk;
    case VariantType::Float:
      out = formatNumber(std::get<float>(value_));
      return kOk;
    case VariantType::Double:
      out = formatNumber(std::get<double>(value_));
      return kOk;
    case VariantType::String:
      out = std::get<std::string>(value_);
      return kOk;
    case VariantType::Object:
      return kTypeMismatch;
  }
  return kTypeMismatch;
}

std::shared_ptr<Object> Variant::toObject() const {
  if (auto* object = std::get_if<std::shared_ptr<Object>>(&value_)) return *object;
  return nullptr;
}

int Variant::convertTo(VariantType target, Variant& out) const {
  int status = kOk;
  switch (target) {
    case VariantType::Empty:
      out = *this;
      return kOk;
    case VariantType::Bool: {
      bool v = false;
      if ((status = toBool(v)) == kOk) out = fromBool(v);
      return status;
    }
    case VariantType::Int16: {
      std::int16_t v = 0;
      if ((status = toInt16(v)) == kOk) out = Variant(v);
      return status;
    }
    case VariantType::Int32: {
      std::int32_t v = 0;
      if ((status = toInt32(v)) == kOk) out = Variant(v);
      return status;
    }
    case VariantType::Float: {
      float v = 0.0f;
      if ((status = toFloat(v)) == kOk) out = Variant(v);
      return status;
    }
    case VariantType::Double: {
      double v = 0.0;
      if ((status = toDouble(v)) == kOk) out = Variant(v);
      return status;
    }
    case VariantType::String: {
      std::string v;
      if ((status = toString(v)) == kOk) out = Variant(std::move(v));
      return status;
    }
    case VariantType::Object:
      // An empty value stands for "no object".
      if (type() != VariantType::Object && type() != VariantType::Empty) return kTypeMismatch;
      out = *this;
      return kOk;
  }
  return kTypeMismatch;
}

bool Variant::asBool(bool otherwise) const {
  bool v = otherwise;
  return toBool(v) == kOk ? v : otherwise;
}

std::int16_t Variant::asInt16(std::int16_t otherwise) const {
  std::int16_t v = otherwise;
  return toInt16(v) == kOk ? v : otherwise;
}

std::int32_t Variant::asInt32(std::int32_t otherwise) const {
  std::int32_t v = otherwise;
  return toInt32(v) == kOk ? v : otherwise;
}

float Variant::asFloat(float otherwise) const {
  float v = otherwise;
  return toFloat(v) == kOk ? v : otherwise;
}

double Variant::asDouble(double otherwise) const {
  double v = otherwise;
  return toDouble(v) == kOk ? v : otherwise;
}

std::string Variant::asString(const std::string& otherwise) const {
  std::string v;
  return toString(v) == kOk ? v : otherwise;
}

bool Variant::operator==(const Variant& other) const { return value_ == other.value_; }

}  // namespace cw::automation
