// The edit history and the project's length in a property bag: the keys
// that the editor's session state file and clipwright-cli's project state
// file both keep beside the Splicer's own properties. UndoEnabled,
// RedoEnabled, UndoFileValid and RedoFileValid are Booleans; ProjectLength
// is a decimal byte count in a string.
#pragma once

#include <cstdint>

#include "automation/property_bag.h"
#include "engine/edit/journal_flags.h"

namespace cw {

void writeHistory(automation::PropertyBag& bag, const HistoryFlags& history);
// A flag that the bag lacks reads as false.
HistoryFlags readHistory(const automation::PropertyBag& bag);

void writeProjectLength(automation::PropertyBag& bag, std::int64_t length);
// False when the bag has no length or it is not a whole decimal number.
bool readProjectLength(const automation::PropertyBag& bag, std::int64_t& length);

}  // namespace cw
