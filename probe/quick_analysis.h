// Quick analysis: classifies the file named in a stream information record
// as an MPEG-1 system stream, a video-only or audio-only elementary stream,
// or something that cannot be edited, and fills the first part of the
// record (type, stage 1, length, declared mux rate, stored headers and the
// summaries derived from them). It reads a window of at most a few hundred
// kilobytes at the head of the file; the head/tail analyses complete the
// record later.
#pragma once

#include <cstdint>

#include "engine/analysis/stream_info.h"

namespace cw {

// File types the quick analysis gives to files it cannot edit:
// -2 not MPEG-1, too short or unreadable; -3 system stream without usable
// stream 0s, sequence header or pictures; -4 / -5 video-only / audio-only
// stream with an invalid header; -6 system stream with a variable video rate
// or free-format (or refused layer-3) audio; -7 video-only stream with a
// variable rate; -8 audio-only stream, free format or refused layer 3;
// -9 a RIFF file (WAV, AVI) without MPEG packets.
inline constexpr std::int16_t kTypeNotRecognised = -2;
inline constexpr std::int16_t kTypeBadSystem = -3;
inline constexpr std::int16_t kTypeBadVideoHeader = -4;
inline constexpr std::int16_t kTypeBadAudioHeader = -5;
inline constexpr std::int16_t kTypeSystemUnsupported = -6;
inline constexpr std::int16_t kTypeVideoVariable = -7;
inline constexpr std::int16_t kTypeAudioUnsupported = -8;
inline constexpr std::int16_t kTypeRiff = -9;

// Analyses info.fileName. Returns 0 when the analysis ran to a
// classification (whatever the type; stage 1), 1016 when the file cannot be
// opened or read, 1001 when memory runs out (type -2 and stage 0 for both).
// The record is reset first, so nothing of a previously analysed file shows
// through; the file name, the layer-3 option and the analyser options stay.
int quickAnalyse(StreamInfo& info);

// True for the file types the editing engine accepts (0 to 3).
inline bool isEditableType(std::int16_t fileType) { return fileType >= 0 && fileType <= 3; }

}  // namespace cw
