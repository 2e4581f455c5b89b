#include "cli/clip_report.h"

#include <cstdio>
#include <ostream>

#include "cli/json_writer.h"
#include "engine/analysis/mpeg1.h"
#include "engine/common/errors.h"
#include "probe/quick_analysis.h"

namespace cw::cli {

namespace {

constexpr const char* kNotApplicable = "N/A";
constexpr const char* kUnknown = "unknown";

std::string number(double value, const char* format = "%g") {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string known(std::int64_t value, const std::string& unit = "") {
  return value < 0 ? kUnknown : std::to_string(value) + unit;
}

const char* audioModeWord(int mode) {
  switch (mode) {
    case 0:
      return "Stereo";
    case 1:
      return "Joint Stereo";
    case 2:
      return "Dual Channel";
    case 3:
      return "Mono";
  }
  return kUnknown;
}

void line(std::ostream& out, const char* caption, const std::string& value) {
  char padded[32];
  std::snprintf(padded, sizeof padded, "  %-20s", caption);
  out << padded << value << '\n';
}

std::string seconds(double s) { return s < 0.0 ? kUnknown : number(s, "%.3f") + " s"; }

std::string pictureText(const Probe& p) {
  if (p.shopFileVideoHorPicsize() < 0) return kUnknown;
  return std::to_string(p.shopFileVideoHorPicsize()) + " x " +
         std::to_string(p.shopFileVideoVerPicsize()) + ", " +
         number(p.shopFileVideoPicrateDeclared(), "%.3f") + " pictures/s";
}

std::string videoRateText(const Probe& p) {
  if (p.shopFileVideoByterate() < 0) return kUnknown;
  if (p.shopFileVideoByterate() == 0) return "variable";
  return number(p.shopFileVideoByterate() * 8 / 1e6, "%.4g") + " Mbit/s";
}

std::string audioText(const Probe& p) {
  if (p.shopFileAudioLevel() < 0) return kUnknown;
  return "layer " + std::to_string(p.shopFileAudioLevel()) + ", " +
         audioModeWord(p.shopFileAudioMode()) + ", " +
         number(p.shopFileAudioSampfreqDeclared(), "%.0f") + " Hz, " +
         std::to_string(p.shopFileAudioByterate() * 8 / 1000) + " kbit/s";
}

bool videoCdReady(const Probe& p) {
  switch (p.shopFileType()) {
    case kTypeVideoOnly:
      return p.shopFileVideoVCDcomp() == 1;
    case kTypeAudioOnly:
      return p.shopFileAudioVCDcomp() == 1;
    default:
      return p.shopFileVideoVCDcomp() == 1 && p.shopFileAudioVCDcomp() == 1;
  }
}

std::string statusText(int status) {
  if (status == kErrOk) return "OK";
  return "error " + std::to_string(status) + ": " + errorMessage(status);
}

std::string areaText(const StreamArea& a, std::int64_t time) {
  return "packet " + std::to_string(a.packetStart) + "-" + std::to_string(a.packetEnd) +
         ", point " + std::to_string(a.point) + ", time " + std::to_string(time) + " (" +
         number(static_cast<double>(time) / mpeg1::kClock, "%.4f") + " s)";
}

void writeAnalysis(std::ostream& out, const ProbedFile& file, const StreamInfo& info) {
  const bool audioOnly = info.fileType == kTypeAudioOnly;
  const int status = audioOnly ? file.audioOnlyStatus : file.durationStatus;
  line(out, "Head/tail:", statusText(status));
  if (status != kErrOk) return;
  if (!audioOnly) {
    if (isSystemType(info.fileType))
      line(out, "Measured mux rate:", known(std::int64_t{info.muxRateMeasured} * 50, " bytes/s"));
    line(out, "Video head:", areaText(info.video.head, info.video.firstTime));
    line(out, "Video tail:", areaText(info.video.tail, info.video.lastTime));
  }
  if (info.fileType != kTypeVideoOnly) {
    line(out, "Audio head:", areaText(info.audio.head, info.audio.firstTime));
    line(out, "Audio tail:", areaText(info.audio.tail, info.audio.lastTime));
  }
}

std::string areaJson(const StreamArea& a) {
  return "[" + std::to_string(a.packetStart) + "," + std::to_string(a.point) + "," +
         std::to_string(a.packetEnd) + "]";
}

std::string streamJson(const StreamDescriptor& d) {
  return JsonObject()
      .addRaw("head", areaJson(d.head))
      .addRaw("tail", areaJson(d.tail))
      .add("firstTime", d.firstTime)
      .add("lastTime", d.lastTime)
      .str();
}

std::string analysisJson(const ProbedFile& file, const StreamInfo& info) {
  const bool audioOnly = info.fileType == kTypeAudioOnly;
  const int status = audioOnly ? file.audioOnlyStatus : file.durationStatus;
  JsonObject o;
  o.add("error", status);
  if (status != kErrOk) return o.add("message", errorMessage(status)).str();
  if (isSystemType(info.fileType))
    o.add("measuredMuxRate", std::int64_t{info.muxRateMeasured} * 50);
  if (!audioOnly) o.addRaw("video", streamJson(info.video));
  if (info.fileType != kTypeVideoOnly) o.addRaw("audio", streamJson(info.audio));
  return o.str();
}

}  // namespace

std::string notEditableReason(std::int16_t fileType) {
  switch (fileType) {
    case kTypeNotRecognised:
      return "not an MPEG-1 stream, or too short";
    case kTypeBadSystem:
      return "system stream without usable video stream 0, sequence header, pictures or audio "
             "stream 0";
    case kTypeBadVideoHeader:
      return "video-only stream with an invalid sequence header";
    case kTypeBadAudioHeader:
      return "audio-only stream with an invalid audio header";
    case kTypeSystemUnsupported:
      return "system stream with a variable video bit rate or free-format or layer-3 audio";
    case kTypeVideoVariable:
      return "video-only stream with a variable bit rate";
    case kTypeAudioUnsupported:
      return "audio-only stream with free-format or layer-3 audio";
    case kTypeRiff:
      return "RIFF file (WAV or AVI), not MPEG-1";
  }
  return "not analysed";
}

std::string fileTypeWords(std::int16_t fileType) {
  switch (fileType) {
    case kTypeSystem:
      return "System stream";
    case kTypeVideoOnly:
      return "Video-only stream";
    case kTypeAudioOnly:
      return "Audio-only stream";
    case kTypeSystemMulti:
      return "System stream with several streams";
  }
  return "not editable: " + notEditableReason(fileType);
}

void writeText(std::ostream& out, const ProbedFile& file, Probe& p) {
  const std::int16_t type = p.shopFileType();
  const bool video = type != kTypeAudioOnly;
  const bool audio = type != kTypeVideoOnly;
  const bool system = type != kTypeVideoOnly && type != kTypeAudioOnly;
  const auto bytes = static_cast<std::int64_t>(p.shopFileBytelenD());

  out << file.path << '\n';
  line(out, "File type:", fileTypeWords(type));
  line(out,
       "File size:", std::to_string(bytes / 1024) + " KB (" + std::to_string(bytes) + " bytes)");
  line(out, "Length:", seconds(file.duration));
  line(out, "Mux rate:", system ? known(p.shopFileMuxrate(), " bytes/s") : kNotApplicable);
  line(out, "Picture:", video ? pictureText(p) : kNotApplicable);
  line(out, "Video bit rate:", video ? videoRateText(p) : kNotApplicable);
  line(out, "Audio:", audio ? audioText(p) : kNotApplicable);
  line(out, "VideoCD ready:",
       type == kTypeSystemMulti ? kNotApplicable
       : videoCdReady(p)        ? "Yes"
                                : "No");
  if (file.analysed && isEditableType(type)) writeAnalysis(out, file, p.info());
}

std::string toJson(const ProbedFile& file, Probe& probe) {
  JsonObject o;
  o.add("path", file.path);
  for (const automation::PropertyDef& property : probe.properties()) {
    if (property.name == "ShopFileName" || property.name == "NinfoHand") continue;
    if (property.name == "ShopFileTimelenD") {  // read once already, with its analysis
      o.add(property.name, file.duration);
      continue;
    }
    automation::Variant value;
    probe.getProperty(property.id, value);
    if (property.type == automation::VariantType::Float)
      o.addRaw(property.name, value.asString());  // shortest text of the single
    else if (property.type == automation::VariantType::Double)
      o.add(property.name, value.asDouble());
    else
      o.add(property.name, std::int64_t{value.asInt32()});
  }
  if (file.analysed && isEditableType(probe.shopFileType()))
    o.addRaw("analysis", analysisJson(file, probe.info()));
  return o.str();
}

std::string failureJson(const std::string& path, int errorNumber) {
  return JsonObject()
      .add("path", path)
      .addRaw(
          "error",
          JsonObject().add("number", errorNumber).add("message", errorMessage(errorNumber)).str())
      .str();
}

}  // namespace cw::cli
