// The stream information record of one file: what kind of MPEG-1 file it is,
// its summary parameters, and per elementary stream where the usable stream
// begins and ends and the presentation times there. The Probe control owns a
// record; the editing engine reads and updates it through a handle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace cw {

// Three file positions around a cut point: start of the packet holding it,
// the point itself, end of that packet. Elementary streams use one position
// three times.
struct StreamArea {
  std::int64_t packetStart = -1;
  std::int64_t point = -1;
  std::int64_t packetEnd = -1;
};

// Room for the longest sequence header, matrices included.
inline constexpr std::size_t kStoredHeaderBytes = 140;

struct StreamDescriptor {
  std::int32_t handle = -1;  // file handle while an analysis or operation runs
  std::int64_t length = 0;
  std::int16_t type = -1;
  std::uint8_t streamId = 0;
  // Video: the whole first sequence header with the quantiser matrices it
  // loads (12, 76 or 140 bytes, mpeg1::sequenceHeaderSize); audio: the 4-byte
  // frame header. The bytes behind it are zero.
  std::uint8_t header[kStoredHeaderBytes] = {};
  std::int32_t muxRate = -1;   // copy of the record's declared mux rate
  std::uint8_t dropFrame = 0;  // video: 0x80 or 0, from the first GOP header
  std::int32_t vbvDelay = -1;  // video: vbv_delay of the first I-picture
  StreamArea head;
  StreamArea tail;
  std::int64_t firstTime = -1;
  std::int64_t lastTime = -1;
  StreamArea workHead;
  StreamArea workTail;
  std::int64_t workFirstTime = -1;
  std::int64_t workLastTime = -1;
  // Video: the source's own sequence header directly in front of the cut-in
  // GOP, found by the cut-in analysis, and the cut-in point it belongs to
  // (-1: none). A stream whose matrices change on the way (a saved project
  // that joined files with different matrices) needs it instead of the first.
  std::int64_t cutInHeaderAt = -1;
  std::uint8_t cutInHeader[kStoredHeaderBytes] = {};
};

enum FileType : std::int16_t {
  kTypeSystem = 0,
  kTypeVideoOnly = 1,
  kTypeAudioOnly = 2,
  kTypeSystemMulti = 3,
  kTypeNotAnalysed = -1,
};

struct StreamInfo {
  std::uint32_t layer3Option = 1;
  std::string fileName;
  std::int16_t fileType = -1;
  std::int16_t stage = 0;  // 0 none, 1 quick analysis, 2 head and tail analysed
  std::uint16_t optionA = 1;
  std::uint16_t optionB = 1;
  double fileLength = -1.0;
  double duration = -1.0;
  std::int32_t muxRateDeclared = -1;  // units of 50 bytes/s
  std::int32_t muxRateMeasured = -1;  // units of 50 bytes/s
  std::int32_t audioByteRate = -1;
  std::int16_t audioLayer = -1;
  std::int16_t audioMode = -1;
  float audioSampleRate = -1.0f;
  std::int16_t audioVcd = -1;
  std::int32_t videoByteRate = -1;
  std::int32_t horizontalSize = -1;
  std::int32_t verticalSize = -1;
  float pictureRate = -1.0f;
  std::int16_t videoVcd = -1;
  StreamDescriptor video;
  StreamDescriptor audio;

  StreamInfo();                // construct: positions, handles and times -1, then reset
  void reset();                // type -1, stage 0, summaries unknown, descriptor lengths 0
  void computeVideoSummary();  // from video.header
  void computeAudioSummary();  // from audio.header
};

bool isSystemType(std::int16_t fileType);  // 0 or 3

// Bytes of the stored sequence header of a video descriptor, matrices
// included: what goes in front of every cut of the stream.
std::size_t storedSequenceHeaderSize(const StreamDescriptor& video);
// The sequence header that goes in front of the cut that starts at the
// working head point: the source's own one there when the cut-in analysis
// found it, else the stored one. `size` gets its length.
const std::uint8_t* cutInSequenceHeader(const StreamDescriptor& video, std::size_t& size);
// Stores a sequence header (its whole size as the load flags say) and
// clears the bytes behind it.
void storeSequenceHeader(StreamDescriptor& video, const std::uint8_t* header);

// Where the picture and the sound of an analysed system stream begin and
// end, in seconds on the scale of the marks (from the first picture's time).
// The streams of a file may end seconds apart; a mark beyond the end of one
// of them cannot be cut. `known` is false until the head and tail of a
// system stream have been analysed.
struct StreamSpans {
  bool known = false;
  double videoStart = 0.0;
  double videoEnd = 0.0;
  double audioStart = 0.0;
  double audioEnd = 0.0;
};
StreamSpans streamSpans(const StreamInfo& info);

// Compatibility of two files for a join (record, source).
bool videoCompatible(const StreamInfo& record, const StreamInfo& source);
bool audioCompatible(const StreamInfo& record, const StreamInfo& source);

// VideoCD conformance of a stored sequence header / audio header.
bool isVcdVideo(const std::uint8_t* sequenceHeader);
bool isVcdAudio(const std::uint8_t* audioHeader);

// Handles for records shared between controls in one process. A Probe
// registers its record; the engine resolves a handle to the live record.
// An unknown or stale handle resolves to nullptr. Handles are never reused;
// registering returns 0 (never a valid handle) for a null record.
std::int32_t registerStreamInfo(StreamInfo* info);
void unregisterStreamInfo(std::int32_t handle);
StreamInfo* resolveStreamInfo(std::int32_t handle);

}  // namespace cw
