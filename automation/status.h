// Outcome of an automation call: a number and a message. The numbers follow
// the classic automation runtime errors so that a host can tell "read-only"
// from "unknown member" from "type mismatch" without parsing text.
#pragma once

#include <string>
#include <utility>

namespace cw::automation {

enum StatusCode : int {
  kOk = 0,
  kOverflow = 6,         // value does not fit the member's type
  kOutOfMemory = 7,      // allocation failed inside the member
  kTypeMismatch = 13,    // value cannot be converted to the member's type
  kInvalidValue = 380,   // the member refused the value
  kNotAtRunTime = 382,   // set refused in the current mode
  kReadOnly = 383,       // set of a property without a setter
  kMemberFailed = 440,   // the member raised an unexpected failure
  kUnknownMember = 438,  // no member of that name or id, or wrong kind
  kWrongArgCount = 450,  // method called with too few or too many arguments
  kFileError = 75,       // property bag file could not be read or written
  kBadFormat = 321,      // property bag file is not in the expected format
};

struct Status {
  int code = kOk;
  std::string message;

  bool ok() const { return code == kOk; }
  static Status success() { return {}; }
  static Status error(int code, std::string message) { return {code, std::move(message)}; }
};

}  // namespace cw::automation
