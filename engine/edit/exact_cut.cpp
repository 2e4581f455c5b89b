#include "engine/edit/exact_cut.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/analysis/mpeg1.h"
#include "engine/analysis/stream_params.h"
#include "engine/common/cut_in.h"
#include "engine/common/errors.h"
#include "engine/common/record_mode.h"
#include "engine/edit/exact_map.h"

namespace cw {

namespace {

constexpr std::int64_t kLeastWindow = 1 << 20;
constexpr double kWindowSeconds = 4.0;  // of the mux rate, each side of a cut
constexpr int kMostCoarseness = 3;

std::int64_t pictureIndex(double seconds, double rate) {
  return static_cast<std::int64_t>(std::floor(seconds * rate + 1e-6));
}

std::int64_t windowBytes(const StreamInfo& src) {
  const double rate = std::max(src.muxRateDeclared, src.muxRateMeasured) * 50.0;
  return std::max(kLeastWindow, static_cast<std::int64_t>(rate * kWindowSeconds));
}

std::vector<std::uint8_t> storedHeader(const StreamDescriptor& video) {
  const std::size_t size = storedSequenceHeaderSize(video);
  return std::vector<std::uint8_t>(video.header, video.header + size);
}

// The job that codes display indexes [first, last) of `map` anew.
int makeJob(const SourceMap& map, std::int64_t first, std::int64_t last,
            const std::vector<std::uint8_t>& header, ReencodeJob& job) {
  const std::size_t gmin = map.gopHolding(first);
  const std::size_t gmax = map.gopHolding(last - 1);
  if (gmin == map.gops.size() || gmax == map.gops.size()) return kErrCutInNoMarkPicture;
  std::size_t start = gmin;
  // An open GOP's leading B-pictures need the GOP before it.
  if (!map.gops[gmin].closed && first < map.intraIndex(gmin)) {
    if (gmin == 0) return kErrCutInIncompleteGop;
    start = gmin - 1;
  }
  const std::size_t from = map.gops[start].esOffset;
  const std::size_t to =
      gmax + 1 < map.gops.size() ? map.gops[gmax + 1].esOffset : map.video.size();
  job.coded = header;
  job.coded.insert(job.coded.end(), map.video.begin() + static_cast<std::ptrdiff_t>(from),
                   map.video.begin() + static_cast<std::ptrdiff_t>(to));
  job.first = first - map.gops[start].firstIndex;
  job.count = last - first;
  job.sequenceHeader = header;
  const int delay = map.gops[gmin].intraVbvDelay;
  job.startVbvDelay = delay > 0 && delay < 0xFFFF ? delay : -1;
  job.bPictures = map.usesB;
  return 0;
}

// The first GOP whose I-picture is displayed at or after `index`.
std::size_t copyStart(const SourceMap& map, std::int64_t index) {
  for (std::size_t i = 0; i < map.gops.size(); ++i) {
    if (map.intraIndex(i) >= index) return i;
  }
  return map.gops.size();
}

// The last GOP whose first displayed picture is at or before `index`.
std::size_t copyEnd(const SourceMap& map, std::int64_t index) {
  std::size_t found = map.gops.size();
  for (std::size_t i = 0; i < map.gops.size(); ++i) {
    if (map.gops[i].firstIndex <= index) found = i;
  }
  return found;
}

// `end`: the GOP-accurate cut-out at the end of the source when the mark out
// lies there; the copy then runs to it, so that no picture of the last GOP
// is lost to the usable length's margin.
int planVideo(const SourceMap& head, const SourceMap& tail, std::int64_t in, std::int64_t out,
              const std::vector<std::uint8_t>& header, const StreamArea* end, ExactPlan& plan) {
  const std::size_t r = copyStart(head, in);
  const std::size_t q =
      end != nullptr && !tail.gops.empty() ? tail.gops.size() - 1 : copyEnd(tail, out);
  if (r == head.gops.size() || head.gopHolding(in) == head.gops.size()) {
    return kErrCutInNoMarkPicture;
  }
  if (q == tail.gops.size()) return kErrCutOutNoMarkPicture;
  const MappedGop& last = tail.gops[q];
  out = end != nullptr ? last.firstIndex + last.pictures
                       : std::min(out, last.firstIndex + last.pictures);
  if (out <= in) return kCropEmpty;

  const MappedGop& first = head.gops[r];
  if (last.area.point <= first.area.point) {
    // Both marks within one stretch that holds no whole GOP: all of it is new.
    plan.videoHead = plan.videoTail = head.gops[head.gopHolding(in)].area;
    plan.treatment = kCutInPlain;
    plan.hasHead = true;
    return makeJob(head, in, out, header, plan.head);
  }
  plan.videoHead = first.area;
  plan.videoTail = last.area;
  // Pictures displayed before the first copied I-picture are coded anew.
  plan.treatment = first.intraRef > 0 ? kCutInRemoveDeadB : kCutInPlain;
  if (head.intraIndex(r) > in) {
    plan.hasHead = true;
    if (const int rc = makeJob(head, in, head.intraIndex(r), header, plan.head)) return rc;
  }
  if (end != nullptr) {
    plan.videoTail = *end;
    plan.copiesToEnd = true;
  } else if (last.firstIndex < out) {
    plan.hasTail = true;
    if (const int rc = makeJob(tail, last.firstIndex, out, header, plan.tail)) return rc;
  }
  return 0;
}

// A mark out that the clamping put at the end of the usable stream asks
// for everything to the end of the source.
bool markOutAtEnd(const StreamInfo& src, const CropMarks& marks) {
  const StreamParams video = makeStreamParams(mpeg1::kVideoStream0, src.video.header);
  return marks.out >= usableSeconds(src.video, video.roundedPeriod);
}

// The audio frame nearest `time`.
const MappedFrame* nearestFrame(const SourceMap& map, double time) {
  const MappedFrame* best = nullptr;
  for (const MappedFrame& f : map.frames) {
    if (best == nullptr || std::fabs(static_cast<double>(f.time) - time) <
                               std::fabs(static_cast<double>(best->time) - time)) {
      best = &f;
    }
  }
  return best;
}

// Leaves the GOP header of a re-encoded GOP closed and unbroken, and its
// first picture starting at the source's buffer level.
void settleGop(std::vector<std::uint8_t>& gop, int startVbvDelay) {
  if (gop.size() < 8) return;
  gop[7] = static_cast<std::uint8_t>((gop[7] | 0x40) & ~0x20);
  if (startVbvDelay < 0) return;
  for (std::size_t p = 8; p + 8 <= gop.size(); ++p) {
    if (mpeg1::isStartCode(&gop[p]) && gop[p + 3] == mpeg1::kPictureStart) {
      mpeg1::setPictureVbvDelay(&gop[p], startVbvDelay);
      return;
    }
  }
}

// The cut analysis found the stretch wholly behind the end of the sound.
bool behindTheSound(const StreamDescriptor& audio) {
  return audio.lastTime >= 0 && audio.workFirstTime >= audio.lastTime;
}

void applyPlan(const ExactPlan& plan, StreamInfo& src) {
  src.video.workHead = plan.videoHead;
  src.video.workTail = plan.videoTail;
  src.video.workFirstTime = plan.videoFirstTime;
  src.video.workLastTime = plan.videoLastTime;
  src.video.cutInHeaderAt = -1;  // the stored header goes in front
  if (!plan.withAudio) return;
  src.audio.workHead = plan.audioHead;
  src.audio.workTail = plan.audioTail;
  src.audio.workFirstTime = plan.audioFirstTime;
  src.audio.workLastTime = plan.audioLastTime;
}

}  // namespace

int planExactSystemCut(platform::File& file, const StreamInfo& src, bool withAudio,
                       const CropMarks& marks, ExactPlan& plan, std::int64_t audioOffset) {
  const StreamParams video = makeStreamParams(mpeg1::kVideoStream0, src.video.header);
  const StreamParams audio = makeStreamParams(mpeg1::kAudioStream0, src.audio.header);
  const std::int64_t reach = windowBytes(src);
  SourceMap head;
  SourceMap tail;
  const std::int64_t headAt = src.video.workHead.packetStart;
  const std::int64_t tailAt = src.video.workTail.packetStart;
  if (const int rc = mapSystemWindow(file, headAt - reach, headAt + reach, src.video, video, audio,
                                     withAudio, head)) {
    return rc;
  }
  if (const int rc = mapSystemWindow(file, tailAt - reach, tailAt + reach, src.video, video, audio,
                                     withAudio, tail)) {
    return rc;
  }
  const std::int64_t in = pictureIndex(marks.in, video.rate);
  const std::int64_t out = pictureIndex(marks.out, video.rate);
  ExactPlan p;
  const bool toEnd = markOutAtEnd(src, marks);
  if (const int rc = planVideo(head, tail, in, out, storedHeader(src.video),
                               toEnd ? &src.video.workTail : nullptr, p)) {
    return rc;
  }
  const double inTime = head.timeOf(in, video.period);
  const double outTime = tail.timeOf(out, video.period);
  p.videoFirstTime = std::llround(inTime);
  p.videoLastTime = p.copiesToEnd ? src.video.workLastTime : std::llround(outTime);
  p.withAudio = withAudio;
  if (withAudio && behindTheSound(src.audio)) {
    // No sound of the source in the stretch: the cut analysis left an empty
    // audio cut at the sound's end, and silence stands for the whole stretch,
    // from the first kept picture on.
    p.audioHead = src.audio.workHead;
    p.audioTail = src.audio.workTail;
    p.audioFirstTime = std::max(src.audio.lastTime, p.videoFirstTime - audioOffset);
    p.audioLastTime = p.audioFirstTime;
  } else if (withAudio) {
    const MappedFrame* first = nearestFrame(head, inTime - static_cast<double>(audioOffset));
    const MappedFrame* last = nearestFrame(tail, outTime);
    if (first == nullptr) return kErrCutInNoAudioCut;
    if (last == nullptr || last->area.point <= first->area.point) return kErrCutOutNoAudioCut;
    p.audioHead = first->area;
    p.audioTail = p.copiesToEnd ? src.audio.workTail : last->area;
    p.audioFirstTime = first->time;
    p.audioLastTime = p.copiesToEnd ? src.audio.workLastTime : last->time;
  }
  plan = std::move(p);
  return 0;
}

int planExactVideoCut(platform::File& file, const StreamInfo& src, const CropMarks& marks,
                      ExactPlan& plan) {
  const StreamParams video = makeStreamParams(mpeg1::kVideoStream0, src.video.header);
  const std::int64_t reach = std::max(
      kLeastWindow, static_cast<std::int64_t>(std::max(0.0, video.bitRate) * kWindowSeconds));
  SourceMap head;
  SourceMap tail;
  const std::int64_t headAt = src.video.workHead.point;
  const std::int64_t tailAt = src.video.workTail.point;
  if (const int rc = mapVideoWindow(file, headAt - reach, headAt + reach, head)) return rc;
  if (const int rc = mapVideoWindow(file, tailAt - reach, tailAt + reach, tail)) return rc;
  ExactPlan p;
  const std::int64_t in = pictureIndex(marks.in, video.rate);
  const std::int64_t out = pictureIndex(marks.out, video.rate);
  const bool toEnd = markOutAtEnd(src, marks);
  if (const int rc = planVideo(head, tail, in, out, storedHeader(src.video),
                               toEnd ? &src.video.workTail : nullptr, p)) {
    return rc;
  }
  p.videoFirstTime = src.video.firstTime + std::llround(static_cast<double>(in) * video.period);
  p.videoLastTime =
      p.copiesToEnd ? src.video.workLastTime
                    : src.video.firstTime + std::llround(static_cast<double>(out) * video.period);
  plan = std::move(p);
  return 0;
}

int encodeSplice(PictureReencoder& reencoder, const ExactPlan& plan, int coarseness,
                 VideoSplice& splice) {
  VideoSplice s;
  for (const bool head : {true, false}) {
    if (!(head ? plan.hasHead : plan.hasTail)) continue;
    ReencodeJob job = head ? plan.head : plan.tail;
    job.coarseness = coarseness;
    std::vector<std::uint8_t>& gop = head ? s.head : s.tail;
    if (reencoder.reencode(job, gop) != 0 || gop.empty()) return kCropBadSource;
    settleGop(gop, head ? job.startVbvDelay : -1);
  }
  splice = std::move(s);
  return 0;
}

namespace {

int planAndApply(OperationContext& ctx, platform::File& source, bool systemStream,
                 std::int64_t audioOffset, const CropMarks& marks, ExactPlan& plan) {
  StreamInfo& src = *ctx.source;
  const bool withAudio = systemStream && ctx.recordMode != kModeVideoOnly;
  const int planned = systemStream
                          ? planExactSystemCut(source, src, withAudio, marks, plan, audioOffset)
                          : planExactVideoCut(source, src, marks, plan);
  if (planned != 0) return planned;
  applyPlan(plan, src);
  return 0;
}

}  // namespace

int exactJoinCut(OperationContext& ctx, platform::File& source, bool systemStream,
                 std::int64_t audioOffset, const CropMarks& marks, int& treatment,
                 VideoSplice& splice, const SpliceTrial& fits) {
  ExactPlan plan;
  if (const int rc = planAndApply(ctx, source, systemStream, audioOffset, marks, plan)) return rc;
  treatment = plan.treatment;
  const bool trying = fits && (plan.hasHead || plan.hasTail);
  for (int coarseness = 0; coarseness <= kMostCoarseness; ++coarseness) {
    if (const int rc = encodeSplice(*ctx.reencoder, plan, coarseness, splice)) return rc;
    if (!trying || fits(splice)) {
      ctx.exactRecord = true;
      return 0;
    }
  }
  // Late however coarse: the copied pictures are, as in the source. The
  // finest coding then costs nothing more.
  if (const int rc = encodeSplice(*ctx.reencoder, plan, 0, splice)) return rc;
  ctx.exactRecord = true;
  return 0;
}

int cropExact(OperationContext& ctx, platform::File& record, platform::File& source,
              bool systemStream, const CropMarks& marks, const ExactWriter& write) {
  ExactPlan plan;
  if (const int rc = planAndApply(ctx, source, systemStream, 0, marks, plan)) return rc;
  for (int coarseness = 0;; ++coarseness) {
    VideoSplice splice;
    if (const int rc = encodeSplice(*ctx.reencoder, plan, coarseness, splice)) return rc;
    const int rc = write(plan.treatment, &splice);
    ctx.exactRecord = rc == 0;
    const bool buffers = rc == kCropOverflow || rc == kCropUnderflow;
    if (rc == 0 || !buffers || coarseness == kMostCoarseness || !(plan.hasHead || plan.hasTail)) {
      return rc;
    }
    if (!record.truncate(0) || !record.seek(0)) return kCropWriteError;
  }
}

}  // namespace cw
