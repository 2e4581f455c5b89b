#include "engine/splicer/history_state.h"

#include <charconv>
#include <string>

namespace cw {

namespace {

using automation::Variant;

constexpr const char* kLengthKey = "ProjectLength";

struct FlagKey {
  const char* key;
  bool HistoryFlags::*flag;
};
constexpr FlagKey kFlagKeys[] = {
    {"UndoEnabled", &HistoryFlags::undoEnabled},
    {"RedoEnabled", &HistoryFlags::redoEnabled},
    {"UndoFileValid", &HistoryFlags::undoFileValid},
    {"RedoFileValid", &HistoryFlags::redoFileValid},
};

}  // namespace

void writeHistory(automation::PropertyBag& bag, const HistoryFlags& history) {
  for (const FlagKey& f : kFlagKeys) bag.write(f.key, Variant::fromBool(history.*f.flag));
}

HistoryFlags readHistory(const automation::PropertyBag& bag) {
  HistoryFlags history;
  for (const FlagKey& f : kFlagKeys)
    history.*f.flag = bag.read(f.key, Variant::fromBool(false)).asBool();
  return history;
}

void writeProjectLength(automation::PropertyBag& bag, std::int64_t length) {
  bag.write(kLengthKey, Variant(std::to_string(length)));
}

bool readProjectLength(const automation::PropertyBag& bag, std::int64_t& length) {
  const std::string text = bag.read(kLengthKey, Variant(std::string())).asString();
  const char* end = text.data() + text.size();
  std::int64_t value = 0;
  const auto [at, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || at != end || text.empty()) return false;
  length = value;
  return true;
}

}  // namespace cw
