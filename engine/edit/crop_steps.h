// The steps the three crop workers share: making the record file, clamping
// the marks, estimating the output, the disk-space rule, the chunk loop and
// describing the new record.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/analysis/stream_info.h"
#include "engine/common/errors.h"
#include "engine/edit/operation_context.h"
#include "platform/file.h"

namespace cw {

inline constexpr std::size_t kCropChunk = 32768;
inline constexpr std::int64_t kCropSpaceReserve = 65536;
inline constexpr double kCropTailSeconds = 0.5;

// The files and the one I/O buffer of a crop.
struct CropFiles {
  platform::File record;
  platform::File source;
  std::vector<std::uint8_t> buffer;
};

// A crop writes its record beside the file it will replace, under this
// name, so that an existing file of the record's name stays whole until the
// new one is complete.
std::string stagedRecordPath(const std::string& recordPath);

// Creates the staged record file (replacing a stale one). Refuses when the
// record's name is the source itself. 0, 7004 or 7001.
int createRecordFile(const std::string& recordPath, const std::string& sourcePath,
                     platform::File& record);
// Puts a complete staged record in place: synced and closed, then the
// host's state written (onPersist, while the staged file still has its own
// name, with the history of a new record), then renamed over the record's
// name and the folder synced. 0 or 7004.
int placeRecordFile(OperationContext& ctx, platform::File& record);
// Record file, source and buffer in that order: 0, 7004, 7001, 7002 or 7000.
int openCropFiles(const OperationContext& ctx, CropFiles& files);

struct CropMarks {
  double in = 0.0;
  double out = 0.0;
};
// System streams: both marks kept within [0, usable].
CropMarks clampSystemMarks(double in, double out, double usable);
// Elementary streams: a negative mark in becomes 0; the mark out is kept
// within the usable length and then raised to the mark in.
CropMarks clampElementaryMarks(double in, double out, double usable);

// Usable length in seconds: last - first time less one rounded period.
double usableSeconds(const StreamDescriptor& d, std::int64_t roundedPeriod);

// Bytes between the start of the cut-in packet and the end of the cut-out packet.
std::int64_t cutSpan(const StreamDescriptor& d);
// Share of a system stream's bytes that one of its streams takes, by the two
// byte rates; 1.0 when a rate is unknown, so the estimate stays an upper bound.
double streamShare(std::int32_t ownRate, std::int32_t otherRate);

// Refreshes the free space and compares it with estimate + 64 KiB; on lack of
// space stores the requirement in spaceRequired. 0 or 7003.
int checkCropSpace(OperationContext& ctx, std::int64_t estimate);

// A writer's chunk: fills `dest`, sets `delivered`, returns its status
// (0 more, 1 finished, negative failure).
using ChunkProducer =
    std::function<int(std::uint8_t* dest, std::size_t size, std::size_t& delivered)>;
// Maps a negative writer status to the crop's error number.
using StatusMap = std::function<int(int status)>;

// The copy loop: writes every chunk to the record, reports progress against
// `estimate` after each one, stops on a cancel. 0, a mapped status, 6002 or
// 6006; `written` receives the bytes written.
int copyChunks(OperationContext& ctx, const ChunkProducer& produce, const StatusMap& mapStatus,
               CropFiles& files, std::int64_t estimate, std::int64_t& written);

// What the new record holds.
enum class RecordContent { System, VideoOnly, AudioOnly };

// Describes the new record of `length` bytes made from `source`: type,
// lengths, mux rates (muxRate for a system stream), stream ids, stored
// headers, summaries and VideoCD tests, analysis stage 1.
void describeCropRecord(StreamInfo& record, const StreamInfo& source, RecordContent content,
                        std::int64_t length, std::int32_t muxRate);

}  // namespace cw
