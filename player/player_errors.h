// Error numbers of the player control. Transport and open failures carry the
// playback service's result codes; the rest are the automation errors its
// hosts know.
#pragma once

#include <cstdint>

namespace cw::player {

inline constexpr int kErrNone = 0;
inline constexpr int kErrOverflow = 6;
inline constexpr int kErrOutOfMemory = 7;
inline constexpr int kErrDivisionByZero = 11;
inline constexpr int kErrObjectNotSet = 91;  // no media graph behind the command
inline constexpr int kErrSetNotAtDesignTime = 382;
inline constexpr int kErrSetNotPermitted = 383;  // read-only at this time
inline constexpr int kErrHostSiteUnavailable = 398;
inline constexpr int kErrNoInterface = 430;  // the graph has no such part (no video)

// Playback service results, as the platform's media layer numbers them.
inline constexpr int kErrFileNotFound = static_cast<std::int32_t>(0x80070002u);
inline constexpr int kErrCannotRender = static_cast<std::int32_t>(0x80040218u);
inline constexpr int kErrDecodeFailed = static_cast<std::int32_t>(0x80004005u);
inline constexpr int kErrInvalidArgument = static_cast<std::int32_t>(0x80070057u);

}  // namespace cw::player
