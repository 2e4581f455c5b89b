#include "support/json.h"

#include <cstdlib>

namespace cw::test {

namespace {

const Json& nullJson() {
  static const Json value;
  return value;
}

// Recursive-descent reader over one text.
class Reader {
 public:
  explicit Reader(const std::string& text) : text_(text) {}

  bool document(Json& result) {
    if (!value(result, 0)) return false;
    skipSpace();
    return pos_ == text_.size() || fail("trailing characters");
  }
  const std::string& error() const { return error_; }

 private:
  static constexpr int kMaxDepth = 200;

  bool fail(const std::string& what) {
    if (error_.empty()) error_ = what + " at offset " + std::to_string(pos_);
    return false;
  }
  void skipSpace() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\n' ||
                                   text_[pos_] == '\r' || text_[pos_] == '\t'))
      ++pos_;
  }
  bool literal(const char* word) {
    std::string w(word);
    if (text_.compare(pos_, w.size(), w) != 0) return fail("unknown literal");
    pos_ += w.size();
    return true;
  }

  bool value(Json& out, int depth) {
    if (depth > kMaxDepth) return fail("nesting too deep");
    skipSpace();
    if (pos_ >= text_.size()) return fail("unexpected end");
    char c = text_[pos_];
    if (c == '{') return object(out, depth);
    if (c == '[') return array(out, depth);
    if (c == '"') {
      std::string s;
      if (!string(s)) return false;
      out = Json::string(std::move(s));
      return true;
    }
    if (c == 't') return literal("true") && (out = Json::boolean(true), true);
    if (c == 'f') return literal("false") && (out = Json::boolean(false), true);
    if (c == 'n') return literal("null") && (out = Json(), true);
    return number(out);
  }

  bool number(Json& out) {
    const char* begin = text_.c_str() + pos_;
    char* end = nullptr;
    double v = std::strtod(begin, &end);
    if (end == begin) return fail("unexpected character");
    pos_ += static_cast<std::size_t>(end - begin);
    out = Json::number(v);
    return true;
  }

  bool hex4(unsigned& code) {
    if (pos_ + 4 > text_.size()) return fail("short \\u escape");
    code = 0;
    for (int i = 0; i < 4; ++i) {
      char h = text_[pos_++];
      code <<= 4;
      if (h >= '0' && h <= '9')
        code |= static_cast<unsigned>(h - '0');
      else if (h >= 'a' && h <= 'f')
        code |= static_cast<unsigned>(h - 'a' + 10);
      else if (h >= 'A' && h <= 'F')
        code |= static_cast<unsigned>(h - 'A' + 10);
      else
        return fail("bad \\u escape");
    }
    return true;
  }

  static void appendUtf8(std::string& s, unsigned code) {
    if (code < 0x80) {
      s += static_cast<char>(code);
    } else if (code < 0x800) {
      s += static_cast<char>(0xC0 | (code >> 6));
      s += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      s += static_cast<char>(0xE0 | (code >> 12));
      s += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      s += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  bool string(std::string& s) {
    ++pos_;  // opening quote
    while (pos_ < text_.size()) {
      char c = text_[pos_++];
      if (c == '"') return true;
      if (c != '\\') {
        s += c;
        continue;
      }
      if (pos_ >= text_.size()) break;
      char e = text_[pos_++];
      switch (e) {
        case 'n':
          s += '\n';
          break;
        case 't':
          s += '\t';
          break;
        case 'r':
          s += '\r';
          break;
        case 'b':
          s += '\b';
          break;
        case 'f':
          s += '\f';
          break;
        case 'u': {
          unsigned code = 0;
          if (!hex4(code)) return false;
          appendUtf8(s, code);
          break;
        }
        default:
          s += e;
          break;  // \" \\ \/
      }
    }
    return fail("unterminated string");
  }

  bool array(Json& out, int depth) {
    ++pos_;
    out = Json::array();
    skipSpace();
    if (pos_ < text_.size() && text_[pos_] == ']') return ++pos_, true;
    for (;;) {
      Json item;
      if (!value(item, depth + 1)) return false;
      out.push(std::move(item));
      skipSpace();
      if (pos_ >= text_.size()) return fail("unterminated array");
      char c = text_[pos_++];
      if (c == ']') return true;
      if (c != ',') return fail("expected , or ]");
    }
  }

  bool object(Json& out, int depth) {
    ++pos_;
    out = Json::object();
    skipSpace();
    if (pos_ < text_.size() && text_[pos_] == '}') return ++pos_, true;
    for (;;) {
      skipSpace();
      if (pos_ >= text_.size() || text_[pos_] != '"') return fail("expected a key");
      std::string key;
      if (!string(key)) return false;
      skipSpace();
      if (pos_ >= text_.size() || text_[pos_++] != ':') return fail("expected :");
      Json item;
      if (!value(item, depth + 1)) return false;
      out.set(std::move(key), std::move(item));
      skipSpace();
      if (pos_ >= text_.size()) return fail("unterminated object");
      char c = text_[pos_++];
      if (c == '}') return true;
      if (c != ',') return fail("expected , or }");
    }
  }

  const std::string& text_;
  std::size_t pos_ = 0;
  std::string error_;
};

}  // namespace

Json Json::boolean(bool value) {
  Json j;
  j.kind_ = Kind::Bool;
  j.bool_ = value;
  return j;
}
Json Json::number(double value) {
  Json j;
  j.kind_ = Kind::Number;
  j.number_ = value;
  return j;
}
Json Json::string(std::string value) {
  Json j;
  j.kind_ = Kind::String;
  j.string_ = std::move(value);
  return j;
}
Json Json::array() {
  Json j;
  j.kind_ = Kind::Array;
  return j;
}
Json Json::object() {
  Json j;
  j.kind_ = Kind::Object;
  return j;
}

bool Json::parse(const std::string& text, Json& result, std::string* error) {
  Reader reader(text);
  Json parsed;
  if (!reader.document(parsed)) {
    if (error) *error = reader.error();
    return false;
  }
  result = std::move(parsed);
  return true;
}

std::size_t Json::size() const {
  if (kind_ == Kind::Array) return items_.size();
  if (kind_ == Kind::Object) return members_.size();
  return 0;
}

const Json& Json::operator[](std::size_t index) const {
  return index < items_.size() ? items_[index] : nullJson();
}

const Json& Json::operator[](const std::string& key) const {
  for (const auto& [name, value] : members_)
    if (name == key) return value;
  return nullJson();
}

bool Json::has(const std::string& key) const {
  for (const auto& member : members_)
    if (member.first == key) return true;
  return false;
}

double Json::numberOr(const std::string& key, double fallback) const {
  const Json& member = (*this)[key];
  if (member.isNumber()) return member.asNumber();
  double v = 0.0;
  if (member.isString() && parseNumberText(member.asString(), v)) return v;
  return fallback;
}

std::string Json::stringOr(const std::string& key, const std::string& fallback) const {
  const Json& member = (*this)[key];
  return member.isString() ? member.asString() : fallback;
}

void Json::push(Json value) { items_.push_back(std::move(value)); }

void Json::set(std::string key, Json value) {
  for (auto& member : members_) {
    if (member.first == key) {
      member.second = std::move(value);
      return;
    }
  }
  members_.emplace_back(std::move(key), std::move(value));
}

bool parseNumberText(const std::string& text, double& value) {
  if (text.empty()) return false;
  const char* begin = text.c_str();
  char* end = nullptr;
  double v = std::strtod(begin, &end);
  if (end == begin) return false;
  if (*end == '/') {
    const char* denBegin = end + 1;
    double den = std::strtod(denBegin, &end);
    if (end == denBegin || *end != '\0' || den == 0.0) return false;
    v /= den;
  } else if (*end != '\0') {
    return false;
  }
  value = v;
  return true;
}

}  // namespace cw::test
