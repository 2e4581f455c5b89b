#include "history/history_run.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <map>
#include <sstream>
#include <unordered_map>

#include "edit/crop_accept_checks.h"
#include "engine/analysis/stream_info.h"
#include "platform/file.h"
#include "support/corpus.h"
#include "support/process.h"
#include "support/validation.h"

namespace cw::test::history {

namespace {

// A cut point moves to a GOP boundary with the audio frame in step with it,
// and a join may start the source some pictures later: the pieces of a
// project are where the marks say within this much.
constexpr double kToleranceSeconds = 1.5;

// Engine errors a random history may meet without a fault: a stretch too
// short to cut, a record whose sound ends too long before its pictures to
// join behind, and an entry into the record's first group of pictures,
// which the entry analyses refuse (they keep the GOP at the entry time and
// need a reference picture before it).
constexpr double kFirstGopSeconds = 1.0;

bool expectedRefusal(int number, const Step& step) {
  if (number == 7005 || number == 4013 || number == 3013 || number == 4004) return true;
  return step.kind == StepKind::Entry && step.at <= kFirstGopSeconds &&
         (number == 1605 || number == 1607 || number == 1315);
}

// Equal content, equal id, across every file of the process.
int idOf(const std::string& content) {
  static std::unordered_map<std::string, int> ids;
  return ids.emplace(content, static_cast<int>(ids.size())).first->second;
}

// Decodes every stream of a file: what ffmpeg complains about, and the md5
// of each decoded picture of its video stream in display order.
std::string decode(const std::string& path, const std::string& scratch,
                   std::vector<int>& pictures) {
  const CommandResult r =
      runCommand("ffmpeg -nostdin -hide_banner -v error -i " + shellQuote(path) +
                 " -map 0 -fps_mode passthrough -f framemd5 -y " + shellQuote(scratch) + " 2>&1");
  std::string errors = r.out;
  if (r.exitCode != 0 && errors.empty())
    errors = "ffmpeg failed with status " + std::to_string(r.exitCode);
  pictures.clear();
  int videoIndex = -1;
  for (const std::string& line : splitLines(readFile(scratch))) {
    if (line.rfind("#media_type ", 0) == 0) {
      if (line.find(": video") != std::string::npos) videoIndex = std::atoi(line.c_str() + 12);
      continue;
    }
    if (line.empty() || line[0] == '#') continue;
    if (std::atoi(line.c_str()) != videoIndex) continue;
    const std::size_t comma = line.rfind(',');
    std::string md5 = line.substr(comma + 1);
    md5.erase(0, md5.find_first_not_of(' '));
    pictures.push_back(idOf(md5));
  }
  platform::removeFile(scratch);
  return errors;
}

// MPEG-1 audio frames laid end to end from the start of an elementary
// stream, as ids of their bytes. False when a frame header is broken or the
// last frame is cut short.
bool splitAudioFrames(const std::string& es, std::vector<int>& frames, double& perSecond) {
  static const int kBitRates[3][15] = {
      {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
      {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
      {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}};
  static const int kSampleRates[3] = {44100, 48000, 32000};
  frames.clear();
  std::size_t at = 0;
  while (at + 4 <= es.size()) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(es[at + i]); };
    if (b(0) != 0xFF || (b(1) & 0xF8) != 0xF8) return false;
    const int layer = 4 - ((b(1) >> 1) & 3);  // 1, 2 or 3
    const int rateIndex = b(2) >> 4;
    const int sampleIndex = (b(2) >> 2) & 3;
    if (layer > 3 || rateIndex == 0 || rateIndex == 15 || sampleIndex == 3) return false;
    const int bitRate = kBitRates[layer - 1][rateIndex] * 1000;
    const int sampleRate = kSampleRates[sampleIndex];
    const int padding = (b(2) >> 1) & 1;
    const std::size_t length =
        layer == 1 ? static_cast<std::size_t>((12 * bitRate / sampleRate + padding) * 4)
                   : static_cast<std::size_t>(144 * bitRate / sampleRate + padding);
    if (at + length > es.size()) return false;
    frames.push_back(idOf(es.substr(at, length)));
    perSecond = sampleRate / (layer == 1 ? 384.0 : 1152.0);
    at += length;
  }
  return at == es.size();
}

// The audio stream 0 of a system stream, or the file itself.
std::string audioOf(const std::string& bytes, bool system) {
  if (!system) return bytes;
  return accept::readSystemStream(bytes, false).audio.bytes;
}

// Where one stream of a project must stand after a step: the first `keep`
// units of the project before it (keep within [keepLo, keepHi]), up to
// `garbage` units nobody can check (leading B-pictures decoded behind a
// broken link; silent frames that bring a record's sound up to its pictures
// at a join), then one run of the source's units that starts within
// [startLo, startHi] and ends within [endLo, endHi].
// A record's sound ends at most two frames before its pictures where a
// stretch ends at the end of its file; a join fills that with silence.
constexpr std::size_t kJoinSilenceFrames = 2;

struct Expectation {
  const char* what = "";
  std::size_t keepLo = 0, keepHi = 0;
  std::size_t garbage = 0;
  const std::vector<int>* source = nullptr;  // nullptr: nothing recorded in this stream
  long startLo = 0, startHi = 0, endLo = 0, endHi = 0;
};

// What one stream of the project must hold after `step`: a crop holds the
// stretch alone; an append keeps all the project's units; an entry keeps
// them up to the entry time.
Expectation expectationAfter(const Step& step, const char* what, const std::vector<int>& units,
                             double perSecond, const std::vector<int>& was, bool pictures) {
  Expectation e;
  e.what = what;
  const long n = static_cast<long>(units.size());
  const long tol = static_cast<long>(std::ceil(kToleranceSeconds * perSecond));
  const double length = static_cast<double>(n) / perSecond;
  const double in = std::clamp(step.in, 0.0, length);
  const double out = std::clamp(step.out, in, length);
  const long a = std::lround(in * perSecond);
  const long b = length - out <= 0.5 ? n : std::lround(out * perSecond);
  e.source = &units;
  e.startLo = std::max(0L, a - tol);
  e.startHi = std::min(n, a + tol);
  e.endLo = std::max(0L, b - tol);
  e.endHi = std::min(n, b + tol);
  if (pictures) {
    e.garbage = step.keepDeadB ? 3 : 0;
  } else {
    e.garbage = step.kind == StepKind::Crop ? 0 : kJoinSilenceFrames;
  }
  if (step.kind == StepKind::Append) {
    // A project's sound may run on up to a frame past its last picture (a
    // cut-out takes the frame in step with its end); the join continues the
    // sound from the frame that ends with the pictures, so a frame wholly
    // behind them gives way to the source's sound.
    e.keepHi = was.size();
    e.keepLo = pictures ? was.size() : was.size() - std::min<std::size_t>(was.size(), 1);
  } else if (step.kind == StepKind::Entry) {
    const double recordLength = static_cast<double>(was.size()) / perSecond;
    const long at = std::lround(std::clamp(step.at, 0.0, recordLength) * perSecond);
    e.keepLo = static_cast<std::size_t>(std::max(0L, at - tol));
    e.keepHi = std::min(was.size(), static_cast<std::size_t>(at + tol));
  }
  return e;
}

std::string matchStream(const std::vector<int>& before, const std::vector<int>& after,
                        const Expectation& e) {
  std::size_t common = 0;
  while (common < before.size() && common < after.size() && before[common] == after[common])
    ++common;
  std::ostringstream why;
  if (e.source == nullptr) {
    if (after.size() == std::min(before.size(), e.keepHi) && common == after.size()) return "";
    why << e.what << ": " << after.size() << " in the project, expected the first " << e.keepHi
        << " of the " << before.size() << " before\n";
    return why.str();
  }
  const std::vector<int>& src = *e.source;
  std::map<int, std::vector<long>> where;  // unit id -> source positions
  for (std::size_t i = 0; i < src.size(); ++i) where[src[i]].push_back(static_cast<long>(i));
  for (std::size_t keep = std::min({e.keepHi, common, after.size()}) + 1; keep-- > e.keepLo;) {
    for (std::size_t g = 0; g <= e.garbage && keep + g < after.size(); ++g) {
      const std::size_t from = keep + g;
      const long length = static_cast<long>(after.size() - from);
      const auto found = where.find(after[from]);
      if (found == where.end()) continue;
      for (const long x : found->second) {
        if (x < e.startLo || x > e.startHi || x + length < e.endLo || x + length > e.endHi)
          continue;
        if (x + length > static_cast<long>(src.size())) continue;
        if (std::equal(after.begin() + static_cast<long>(from), after.end(), src.begin() + x))
          return "";
      }
    }
  }
  why << e.what << ": " << after.size() << " in the project (" << before.size()
      << " before, the first " << common << " kept; expected to keep " << e.keepLo << "-"
      << e.keepHi << "), then no single run of the source's " << src.size() << " starting within "
      << e.startLo << "-" << e.startHi << " and ending within " << e.endLo << "-" << e.endHi;
  // Where the rest behind the kept part comes from, run by run.
  std::size_t at = std::min({e.keepHi, common, after.size()});
  why << "; behind unit " << at << ":";
  int runs = 0;
  while (at < after.size() && runs < 8) {
    const auto found = where.find(after[at]);
    if (found == where.end()) {
      why << " [not in the source]";
      ++at;
      ++runs;
      continue;
    }
    long x = found->second.front();
    std::size_t n = 0;
    while (at + n < after.size() && x + static_cast<long>(n) < static_cast<long>(src.size()) &&
           after[at + n] == src[static_cast<std::size_t>(x) + n])
      ++n;
    why << " [" << x << "-" << x + static_cast<long>(n) << ")";
    at += n;
    ++runs;
  }
  why << "\n";
  return why.str();
}

// The clock and the time stamps of a system stream never step back.
std::string clockDefects(const accept::SystemStream& s) {
  std::ostringstream d;
  for (std::size_t i = 1; i < s.packs.size(); ++i) {
    if (s.packs[i].scr <= s.packs[i - 1].scr) {
      d << "SCR steps back at pack " << i << ": " << s.packs[i - 1].scr << " then "
        << s.packs[i].scr << "\n";
      break;
    }
  }
  return d.str() + accept::timeStampDefects(s);
}

const char* modeName(int mode) {
  static const char* const kNames[] = {"mpeg", "vcd", "vcd-zeroes", "video", "audio"};
  return mode >= 0 && mode <= 4 ? kNames[mode] : "?";
}

}  // namespace

// --- Random choices ------------------------------------------------------------

double StepChooser::uniform(double from, double to) {
  const double unit = static_cast<double>(rng_() >> 11) * 0x1.0p-53;
  return from + (to - from) * unit;
}

int StepChooser::below(int n) { return static_cast<int>(rng_() % static_cast<std::uint64_t>(n)); }

// --- Sources ---------------------------------------------------------------------

HistoryRun::HistoryRun(int mode, const std::vector<std::string>& names)
    : mode_(mode), project_(dir_.file("project.mpg")) {
  for (const std::string& name : names) {
    if (!requireCorpusFile(name)) continue;
    Source s;
    s.name = name;
    s.path = corpusPath(name);
    s.probe = std::make_unique<Probe>();
    s.probe->setShopFileName(s.path);
    if (s.probe->doQuickAnalys() != 0) continue;
    const StreamInfo& info = s.probe->info();
    if (info.fileType < 0 || info.fileType > 3) continue;
    sources_.push_back(std::move(s));
  }
  splicer_.setRecordFileName(project_);
  splicer_.setUndoFileName(dir_.file("undo.boo"));
  splicer_.setRedoFileName(dir_.file("redo.boo"));
  splicer_.setRecordMode(static_cast<std::int16_t>(mode));
  splicer_.setRecInfoHand(record_.ninfoHand());
}

bool HistoryRun::load(int index) {
  Source& s = sources_[static_cast<std::size_t>(index)];
  if (!s.pictures.empty() || !s.frames.empty()) return true;
  const StreamInfo& info = s.probe->info();
  const bool system = isSystemType(info.fileType);
  if (system || info.fileType == kTypeVideoOnly) {
    if (!decode(s.path, dir_.file("source.md5"), s.pictures).empty()) return false;
    s.pictureRate = info.pictureRate;
  }
  if (system || info.fileType == kTypeAudioOnly) {
    // A source's last frame may be cut short; the frames before it count.
    splitAudioFrames(audioOf(readFile(s.path), system), s.frames, s.frameRate);
  }
  return !s.pictures.empty() || !s.frames.empty();
}

int HistoryRun::sourceIndex(const std::string& name) const {
  for (std::size_t i = 0; i < sources_.size(); ++i)
    if (sources_[i].name == name) return static_cast<int>(i);
  return -1;
}

std::vector<int> HistoryRun::compatibleWith(int first) const {
  const StreamInfo& f = sources_[first].probe->info();
  std::vector<int> pool;
  for (std::size_t i = 0; i < sources_.size(); ++i) {
    const StreamInfo& s = sources_[i].probe->info();
    const bool system = isSystemType(s.fileType);
    bool ok = false;
    if (mode_ <= 2) {
      ok = system && videoCompatible(f, s) && audioCompatible(f, s);
      if (mode_ != 0) ok = ok && s.videoVcd == 1 && s.audioVcd == 1;
    } else if (mode_ == 3) {
      ok = (system || s.fileType == kTypeVideoOnly) && videoCompatible(f, s);
    } else {
      ok = (system || s.fileType == kTypeAudioOnly) && audioCompatible(f, s);
    }
    if (ok) pool.push_back(static_cast<int>(i));
  }
  return pool;
}

// --- Steps -----------------------------------------------------------------------

std::string HistoryRun::describe(const Step& step) const {
  std::ostringstream d;
  d << std::fixed << std::setprecision(2);
  switch (step.kind) {
    case StepKind::Undo:
      return "undo P";
    case StepKind::Redo:
      return "redo P";
    case StepKind::Crop:
      d << "crop " << sources_[step.source].name << " P --in " << step.in << " --out " << step.out
        << " --mode " << modeName(mode_);
      break;
    case StepKind::Append:
    case StepKind::Entry:
      d << (step.kind == StepKind::Append ? "append " : "entry ") << sources_[step.source].name
        << " P --in " << step.in << " --out " << step.out;
      if (step.kind == StepKind::Entry) d << " --at " << step.at;
      break;
  }
  if (step.keepDeadB) d << " --keep-dead-b";
  if (step.reanalyse) d << "   (project analysed afresh)";
  return d.str();
}

namespace {

// Flashes whose beep lies more than half an audio frame (44.1 kHz) from the
// source's own offset.
std::string syncDefects(const std::string& path, double offsetMs) {
  constexpr double kHalfFrameMs = 1152.0 / 44.1 / 2.0;
  std::ostringstream d;
  for (const SyncPoint& p : measureSync(path)) {
    if (p.paired && std::fabs(p.offsetMs - offsetMs) > kHalfFrameMs)
      d << "sync: the flash at " << p.flashSeconds << " s has its beep " << p.offsetMs - offsetMs
        << " ms from the source's offset\n";
  }
  return d.str();
}

}  // namespace

std::string HistoryRun::run(const Step& step) {
  log_ += describe(step);
  const std::string fault = step.kind == StepKind::Undo   ? replay(true)
                            : step.kind == StepKind::Redo ? replay(false)
                                                          : change(step);
  log_ += fault.empty() ? "\n" : "\n  FAULT: " + fault;
  return fault;
}

std::string HistoryRun::checkProject(ProjectState& state, std::string& md5Out) {
  std::ostringstream d;
  state.exists = platform::fileExists(project_);
  if (!state.exists) return "the project file is missing\n";
  const std::string bytes = readFile(project_);
  state.md5 = accept::md5OfFile(project_);
  md5Out = state.md5;
  const bool system = mode_ <= 2;
  state.pictures.clear();
  state.frames.clear();
  const std::string errors = decode(project_, dir_.file("project.md5"), state.pictures);
  if (!errors.empty()) d << "ffmpeg: " << errors;
  if (mode_ != 3) {
    double perSecond = 0.0;
    if (!splitAudioFrames(audioOf(bytes, system), state.frames, perSecond))
      d << "the audio is not whole MPEG audio frames\n";
  }
  if (system) {
    // cw-std-check's summary of the streams goes to stderr: not wanted here.
    const CommandResult check = runCommand(shellQuote(binaryPath("cw-std-check")) + " " +
                                           shellQuote(project_) + " 2>/dev/null");
    if (check.exitCode != 0) d << "cw-std-check (exit " << check.exitCode << "):\n" << check.out;
    const accept::SystemStream parsed = accept::readSystemStream(bytes, true);
    if (!parsed.error.empty()) d << "layout: " << parsed.error << "\n";
    d << clockDefects(parsed);
    // Across every join both clocks run on without a hole either.
    d << test::clockDefects(project_, "v:0") << test::clockDefects(project_, "a:0");
    if (syncOffsetMs_ > -1e8) d << syncDefects(project_, syncOffsetMs_);
  }
  Probe fresh;
  fresh.setShopFileName(project_);
  const int rc = fresh.doQuickAnalys();
  const int expectedType = mode_ <= 2 ? kTypeSystem : mode_ == 3 ? kTypeVideoOnly : kTypeAudioOnly;
  if (rc != 0 || fresh.shopFileType() != expectedType)
    d << "quick analysis: status " << rc << ", file type " << fresh.shopFileType() << "\n";
  return d.str();
}

// A step the Splicer refused: the refusal must be one the step may meet,
// and the project and the history must stay as they were (a failed crop
// leaves no project).
std::string HistoryRun::failedChange(const Step& step, const ProjectState& before) {
  std::ostringstream d;
  const bool crop = step.kind == StepKind::Crop;
  const int number = splicer_.errorMesNumber();
  log_ += "   -> error " + std::to_string(number);
  if (!expectedRefusal(number, step))
    d << "error " << number << ": " << splicer_.errorMes() << "\n";
  if (crop) {
    if (platform::fileExists(project_)) d << "a failed crop left a project file\n";
    current_ = ProjectState{};
  } else if (!before.exists || accept::md5OfFile(project_) != before.md5) {
    d << "the failed step changed the project\n";
  }
  if (splicer_.undoEnabled() || splicer_.redoEnabled())
    d << "a failed step left Undo or Redo enabled\n";
  undoTarget_ = redoTarget_ = ProjectState{};
  return d.str();
}

std::string HistoryRun::change(const Step& step) {
  if (!load(step.source)) return "cannot decode " + sources_[step.source].name + "\n";
  Source& src = sources_[step.source];
  const ProjectState before = current_;
  const bool crop = step.kind == StepKind::Crop;
  if (!crop && step.reanalyse) {
    record_.setShopFileName(project_);
    if (const int rc = record_.doQuickAnalys(); rc != 0)
      return "quick analysis of the project: " + std::to_string(rc) + "\n";
  }
  splicer_.setSourceFileName(src.path);
  splicer_.setSrcInfoHand(src.probe->ninfoHand());
  splicer_.setSourceMarkIn(step.in);
  splicer_.setSourceMarkOut(step.out);
  splicer_.setRecordMarkEntry(step.at);
  splicer_.setRemoveDeadBpic(!step.keepDeadB);
  if (crop) record_.setShopFileName(project_);
  const int result = crop                            ? splicer_.Crop()
                     : step.kind == StepKind::Append ? splicer_.AppendCrop()
                                                     : splicer_.EntryCrop();
  if (result != 0) return failedChange(step, before);

  std::ostringstream d;
  ProjectState after;
  std::string md5;
  d << checkProject(after, md5);
  if (!after.exists) return d.str();

  if (mode_ != 4) {
    d << matchStream(
        before.pictures, after.pictures,
        expectationAfter(step, "pictures", src.pictures, src.pictureRate, before.pictures, true));
  }
  if (mode_ != 3) {
    d << matchStream(
        before.frames, after.frames,
        expectationAfter(step, "audio frames", src.frames, src.frameRate, before.frames, false));
  }
  if (crop ? splicer_.undoEnabled() : !splicer_.undoEnabled())
    d << "UndoEnabled is " << splicer_.undoEnabled() << " after a successful step\n";
  if (splicer_.redoEnabled()) d << "RedoEnabled after a successful step\n";
  if (static_cast<std::int64_t>(record_.info().fileLength) != platform::fileSize(project_))
    d << "the project's information record says " << record_.info().fileLength << " bytes\n";
  undoTarget_ = crop ? ProjectState{} : before;
  redoTarget_ = ProjectState{};
  current_ = after;
  log_ += "   -> " + std::to_string(platform::fileSize(project_)) + " bytes, " +
          std::to_string(after.pictures.size()) + " pictures, " +
          std::to_string(after.frames.size()) + " audio frames";
  return d.str();
}

std::string HistoryRun::replay(bool undo) {
  const bool enabled = undo ? splicer_.undoEnabled() : splicer_.redoEnabled();
  const ProjectState target = undo ? undoTarget_ : redoTarget_;
  const ProjectState before = current_;
  const int result = undo ? splicer_.Undo() : splicer_.Redo();
  std::ostringstream d;
  if (enabled != target.exists)
    d << (undo ? "UndoEnabled" : "RedoEnabled") << " is " << enabled << "\n";
  if (result != 0) {
    log_ += "   -> error " + std::to_string(splicer_.errorMesNumber());
    if (enabled) d << "error " << splicer_.errorMesNumber() << ": " << splicer_.errorMes() << "\n";
    if (before.exists && accept::md5OfFile(project_) != before.md5)
      d << "the failed step changed the project\n";
    return d.str();
  }
  if (!target.exists) return d.str() + "succeeded with nothing to go back to\n";
  const std::string md5 = accept::md5OfFile(project_);
  if (md5 != target.md5) d << "the project is not the one it returns to\n";
  if (static_cast<std::int64_t>(record_.info().fileLength) != platform::fileSize(project_))
    d << "the project's information record says " << record_.info().fileLength << " bytes\n";
  if (undo) {
    redoTarget_ = before;
    undoTarget_ = ProjectState{};
  } else {
    undoTarget_ = before;
    redoTarget_ = ProjectState{};
  }
  current_ = target;
  if (splicer_.undoEnabled() != undoTarget_.exists || splicer_.redoEnabled() != redoTarget_.exists)
    d << "after " << (undo ? "Undo" : "Redo") << ": UndoEnabled " << splicer_.undoEnabled()
      << ", RedoEnabled " << splicer_.redoEnabled() << "\n";
  log_ += "   -> " + std::to_string(platform::fileSize(project_)) + " bytes";
  return d.str();
}

// --- Random histories ------------------------------------------------------------

std::string HistoryRun::runRandom(std::uint64_t seed, int steps, const std::vector<int>& pool) {
  StepChooser c(seed);
  for (const int i : pool)
    if (!load(i)) return "cannot decode " + sources_[i].name + "\n";
  const auto marks = [&](Step& s) {
    const Source& src = sources_[s.source];
    const double rate = src.pictureRate > 0 && mode_ != 4 ? src.pictureRate : src.frameRate;
    const std::size_t units =
        src.pictureRate > 0 && mode_ != 4 ? src.pictures.size() : src.frames.size();
    const double length = static_cast<double>(units) / rate;
    // Marks to the hundredth, as a user types them; now and then beyond the
    // ends or the wrong way round.
    const auto round = [](double v) { return std::round(v * 100.0) / 100.0; };
    s.in = round(c.uniform(-0.3, length + 0.3));
    s.out = round(c.chance(0.08) ? s.in - c.uniform(0.0, 2.0) : s.in + c.uniform(0.2, 8.0));
    s.keepDeadB = c.chance(0.15);
  };
  for (int i = 0; i < steps; ++i) {
    Step s;
    s.source = pool[static_cast<std::size_t>(c.below(static_cast<int>(pool.size())))];
    s.reanalyse = c.chance(0.5);
    const int pick = c.below(100);
    if (!current_.exists || pick < 5) {
      s.kind = StepKind::Crop;
    } else if (pick < 50) {
      s.kind = StepKind::Append;
    } else if (pick < 70) {
      s.kind = StepKind::Entry;
      const double length = mode_ == 4 ? current_.frames.size() / sources_[s.source].frameRate
                                       : current_.pictures.size() / sources_[s.source].pictureRate;
      s.at = std::round(c.uniform(-0.3, length + 0.3) * 100.0) / 100.0;
    } else if (pick < 87) {
      s.kind = StepKind::Undo;
    } else {
      s.kind = StepKind::Redo;
    }
    if (s.kind != StepKind::Undo && s.kind != StepKind::Redo) marks(s);
    const std::string fault = run(s);
    if (!fault.empty()) return fault;
  }
  return "";
}

}  // namespace cw::test::history
