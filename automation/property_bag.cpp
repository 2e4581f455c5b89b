#include "automation/property_bag.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <new>
#include <sstream>
#include <system_error>

namespace cw::automation {

namespace {

constexpr std::string_view kHeader = "ClipwrightPropertyBag 1";

struct TypeTag {
  VariantType type;
  std::string_view tag;
};
constexpr TypeTag kTags[] = {
    {VariantType::Empty, "empty"}, {VariantType::Bool, "bool"}, {VariantType::Int16, "i16"},
    {VariantType::Int32, "i32"},   {VariantType::Float, "f32"}, {VariantType::Double, "f64"},
    {VariantType::String, "str"},
};

std::string escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

bool unescape(std::string_view text, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i]) {
      case '\\':
        out += '\\';
        break;
      case 't':
        out += '\t';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      default:
        return false;
    }
  }
  return true;
}

template <typename Number>
bool parseExact(std::string_view text, Number& out) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool parseValue(std::string_view tag, std::string_view text, Variant& out) {
  std::string plain;
  if (!unescape(text, plain)) return false;
  if (tag == "empty") return out = Variant(), plain.empty();
  if (tag == "str") return out = Variant(std::move(plain)), true;
  if (tag == "bool") {
    if (plain != "True" && plain != "False") return false;
    out = Variant::fromBool(plain == "True");
    return true;
  }
  if (tag == "i16") {
    std::int16_t v = 0;
    return parseExact(plain, v) && (out = Variant(v), true);
  }
  if (tag == "i32") {
    std::int32_t v = 0;
    return parseExact(plain, v) && (out = Variant(v), true);
  }
  if (tag == "f32") {
    float v = 0.0f;
    return parseExact(plain, v) && (out = Variant(v), true);
  }
  if (tag == "f64") {
    double v = 0.0;
    return parseExact(plain, v) && (out = Variant(v), true);
  }
  return false;
}

std::string_view tagOf(VariantType type) {
  for (const TypeTag& t : kTags)
    if (t.type == type) return t.tag;
  return {};
}

Status lineError(std::size_t line, const char* what) {
  return Status::error(kBadFormat, "property bag line " + std::to_string(line) + ": " + what);
}

}  // namespace

Variant PropertyBag::read(std::string_view key, const Variant& otherwise) const {
  auto it = entries_.find(key);
  if (it == entries_.end()) return otherwise;
  if (otherwise.isEmpty()) return it->second;
  Variant converted;
  if (it->second.convertTo(otherwise.type(), converted) != kOk) return otherwise;
  return converted;
}

void PropertyBag::write(std::string_view key, Variant value) {
  auto it = entries_.find(key);
  if (it != entries_.end())
    it->second = std::move(value);
  else
    entries_.emplace(std::string(key), std::move(value));
}

bool PropertyBag::contains(std::string_view key) const {
  return entries_.find(key) != entries_.end();
}

bool PropertyBag::remove(std::string_view key) {
  auto it = entries_.find(key);
  if (it == entries_.end()) return false;
  entries_.erase(it);
  return true;
}

std::vector<std::string> PropertyBag::keys() const {
  std::vector<std::string> out;
  for (const auto& [key, value] : entries_) out.push_back(key);
  return out;
}

std::string PropertyBag::toText() const {
  std::string text(kHeader);
  text += '\n';
  for (const auto& [key, value] : entries_) {
    std::string_view tag = tagOf(value.type());
    if (tag.empty()) continue;  // objects stay in memory
    text += tag;
    text += '\t';
    text += escape(key);
    text += '\t';
    text += escape(value.asString());
    text += '\n';
  }
  return text;
}

Status PropertyBag::fromText(std::string_view text) {
  std::map<std::string, Variant, LessNoCase> parsed;
  std::size_t lineNumber = 0;
  bool headerSeen = false;
  while (!text.empty()) {
    std::size_t cut = text.find('\n');
    std::string_view line = text.substr(0, cut);
    text.remove_prefix(cut == std::string_view::npos ? text.size() : cut + 1);
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!headerSeen) {
      if (line != kHeader) return lineError(lineNumber, "not a property bag");
      headerSeen = true;
      continue;
    }
    if (line.empty() || line.front() == '#') continue;
    std::size_t tab1 = line.find('\t');
    std::size_t tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
    if (tab2 == std::string_view::npos) return lineError(lineNumber, "expected type, key, value");
    std::string key;
    Variant value;
    if (!unescape(line.substr(tab1 + 1, tab2 - tab1 - 1), key) || key.empty())
      return lineError(lineNumber, "bad key");
    if (!parseValue(line.substr(0, tab1), line.substr(tab2 + 1), value))
      return lineError(lineNumber, "bad value for its type");
    parsed.insert_or_assign(std::move(key), std::move(value));
  }
  if (!headerSeen) return lineError(1, "not a property bag");
  entries_ = std::move(parsed);
  return Status::success();
}

Status PropertyBag::load(const std::string& path) {
  try {
    std::ifstream in(path, std::ios::binary);
    if (!in) return Status::error(kFileError, "cannot open '" + path + "'");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return Status::error(kFileError, "cannot read '" + path + "'");
    return fromText(text);
  } catch (const std::bad_alloc&) {
    return Status::error(kOutOfMemory, "out of memory reading '" + path + "'");
  }
}

Status PropertyBag::save(const std::string& path) const {
  try {
    const std::string temporary = path + ".tmp";
    {
      std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
      out << toText();
      out.flush();
      if (!out) {
        out.close();
        std::remove(temporary.c_str());
        return Status::error(kFileError, "cannot write '" + path + "'");
      }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
      std::remove(temporary.c_str());
      return Status::error(kFileError, "cannot replace '" + path + "'");
    }
    return Status::success();
  } catch (const std::bad_alloc&) {
    return Status::error(kOutOfMemory, "out of memory writing '" + path + "'");
  }
}

}  // namespace cw::automation
