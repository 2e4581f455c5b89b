#include "engine/edit/crop_steps.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <new>

#include "engine/analysis/mpeg1.h"

namespace cw {

namespace {

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

}  // namespace

std::string stagedRecordPath(const std::string& recordPath) {
  return recordPath + ".clipwright-new";
}

int createRecordFile(const std::string& recordPath, const std::string& sourcePath,
                     platform::File& record) {
  // Replacing the record must never delete the movie being cut.
  if (platform::fileExists(recordPath) && sameFile(recordPath, sourcePath)) {
    return kCropCannotReplace;
  }
  const std::string staged = stagedRecordPath(recordPath);
  if (record.open(staged, platform::OpenMode::Create)) return 0;
  if (!platform::fileExists(staged)) return kCropCannotCreate;
  platform::setReadOnly(staged, false);
  if (!platform::removeFile(staged)) return kCropCannotReplace;
  if (!record.open(staged, platform::OpenMode::CreateNew)) return kCropCannotCreate;
  return 0;
}

int placeRecordFile(OperationContext& ctx, platform::File& record) {
  const bool synced = record.sync();
  record.close();
  if (!synced) return kCropCannotReplace;
  ctx.setHistory(HistoryEvent::NewRecord);
  ctx.Persist();
  const std::string& recordPath = ctx.recordFileName;
  if (!platform::renameFile(stagedRecordPath(recordPath), recordPath)) return kCropCannotReplace;
  return platform::syncFolderOf(recordPath) ? 0 : kCropCannotReplace;
}

int openCropFiles(const OperationContext& ctx, CropFiles& files) {
  if (const int rc = createRecordFile(ctx.recordFileName, ctx.sourceFileName, files.record)) {
    return rc;
  }
  if (!files.source.open(ctx.sourceFileName, platform::OpenMode::Read)) {
    return kCropCannotOpenSource;
  }
  try {
    files.buffer.resize(kCropChunk);
  } catch (const std::bad_alloc&) {
    return kCropNoMemory;
  }
  return 0;
}

CropMarks clampSystemMarks(double in, double out, double usable) {
  CropMarks m{in, out};
  if (m.in < 0.0) m.in = 0.0;
  if (m.in > usable) m.in = usable;
  if (m.out < m.in) m.out = m.in;
  if (m.out > usable) m.out = usable;
  return m;
}

CropMarks clampElementaryMarks(double in, double out, double usable) {
  CropMarks m{in, out};
  if (m.in < 0.0) m.in = 0.0;
  if (m.out > usable) m.out = usable;
  if (m.out < m.in) m.out = m.in;
  return m;
}

double usableSeconds(const StreamDescriptor& d, std::int64_t roundedPeriod) {
  return static_cast<double>(d.lastTime - d.firstTime - roundedPeriod) /
         static_cast<double>(mpeg1::kClock);
}

std::int64_t cutSpan(const StreamDescriptor& d) {
  return d.workTail.packetEnd - d.workHead.packetStart;
}

double streamShare(std::int32_t ownRate, std::int32_t otherRate) {
  if (ownRate <= 0 || otherRate < 0) return 1.0;
  return 1.0 / (static_cast<double>(otherRate) / static_cast<double>(ownRate) + 1.0);
}

int checkCropSpace(OperationContext& ctx, std::int64_t estimate) {
  const double available = ctx.refreshSpaceAvailable();
  const double required = static_cast<double>(std::max<std::int64_t>(estimate, 0)) +
                          static_cast<double>(kCropSpaceReserve);
  if (required > available) {
    ctx.spaceRequired = required;
    return kCropNoSpace;
  }
  return 0;
}

int copyChunks(OperationContext& ctx, const ChunkProducer& produce, const StatusMap& mapStatus,
               CropFiles& files, std::int64_t estimate, std::int64_t& written) {
  written = 0;
  for (;;) {
    std::size_t delivered = 0;
    const int status = produce(files.buffer.data(), kCropChunk, delivered);
    if (status < 0) return mapStatus(status);
    const auto count = static_cast<std::int64_t>(delivered);
    if (count > 0 && files.record.write(files.buffer.data(), count) != count) {
      return kCropWriteError;
    }
    written += count;
    ctx.Progress(0, progressPercentage(written, estimate));
    if (ctx.cancelled()) return kCropCancelled;
    if (status == 1) break;
  }
  ctx.Progress(0, 100);
  return 0;
}

namespace {

void describeStream(StreamDescriptor& out, const StreamDescriptor& in, std::int16_t type,
                    std::int64_t length, std::int32_t muxRate, std::uint8_t streamId,
                    std::size_t headerBytes) {
  out.type = type;
  out.length = length;
  out.handle = -1;
  out.muxRate = muxRate;
  out.streamId = streamId;
  std::memset(out.header, 0, sizeof out.header);
  std::memcpy(out.header, in.header, headerBytes);
}

void dropStream(StreamDescriptor& d) {
  d.type = -1;
  d.length = 0;
  d.handle = -1;
}

}  // namespace

void describeCropRecord(StreamInfo& record, const StreamInfo& source, RecordContent content,
                        std::int64_t length, std::int32_t muxRate) {
  constexpr std::size_t kAudioHeaderBytes = 4;
  const bool system = content == RecordContent::System;
  const std::int32_t rate = system ? muxRate : -1;
  const std::int16_t type = system                                ? kTypeSystem
                            : content == RecordContent::VideoOnly ? kTypeVideoOnly
                                                                  : kTypeAudioOnly;
  record.fileType = type;
  record.fileLength = static_cast<double>(length);
  record.muxRateDeclared = rate;
  record.muxRateMeasured = rate;
  if (content != RecordContent::AudioOnly) {
    describeStream(record.video, source.video, type, length, rate, mpeg1::kVideoStream0,
                   storedSequenceHeaderSize(source.video));
    record.computeVideoSummary();
  } else {
    dropStream(record.video);
  }
  if (content != RecordContent::VideoOnly) {
    describeStream(record.audio, source.audio, type, length, rate, mpeg1::kAudioStream0,
                   kAudioHeaderBytes);
    record.computeAudioSummary();
  } else {
    dropStream(record.audio);
  }
  record.stage = 1;
}

}  // namespace cw
