#include "app/shell/info_labels.h"
#include "engine/analysis/stream_info.h"

#include <cmath>

namespace cw::app {

namespace {

const QString kNotApplicable = QStringLiteral("N/A");

// Which groups of values a file type has.
struct Shown {
  bool rate, mux, picture, audio, vcd;
};

Shown shownFor(int fileType) {
  switch (fileType) {
    case kTypeSystem:
      return {true, true, true, true, true};
    case kTypeVideoOnly:
      return {true, false, true, false, false};
    case kTypeAudioOnly:
      return {false, false, false, true, false};
    case kTypeSystemMulti:
      return {true, true, true, true, false};
    default:
      return {true, true, true, true, true};
  }
}

QString orNotApplicable(bool shown, const QString& text) { return shown ? text : kNotApplicable; }

}  // namespace

QString fileTypeText(int fileType) {
  switch (fileType) {
    case kTypeSystem:
      return QStringLiteral("MPEG System");
    case kTypeVideoOnly:
      return QStringLiteral("Video Only");
    case kTypeAudioOnly:
      return QStringLiteral("Audio Only");
    case kTypeSystemMulti:
      return QStringLiteral("Multiple Streams");
    default:
      return QStringLiteral("Invalid Stream");
  }
}

QString pictureRateText(const QString& path, double pictureRate) {
  if (path.contains(QLatin1String(".m15"))) return QStringLiteral("15");
  if (path.contains(QLatin1String(".m75"))) return QStringLiteral("7.5");
  if (pictureRate == 0) return QStringLiteral("Unknown");
  return decimalText(pictureRate);
}

QString audioModeText(int audioMode) {
  switch (audioMode) {
    case 0:
      return QStringLiteral("Stereo");
    case 1:
      return QStringLiteral("Joint Stereo");
    case 2:
      return QStringLiteral("Dual Channel");
    case 3:
      return QStringLiteral("Mono");
    default:
      return QStringLiteral("Unknown");
  }
}

QString decimalText(double value) {
  // Fifteen significant digits drop the binary noise of 1150000 / 1e6.
  return QString::number(value, 'g', 15);
}

std::map<QString, QString> infoLabelTexts(const FileFacts& f) {
  const Shown shown = shownFor(f.fileType);
  std::map<QString, QString> t;
  t["labWhatType"] = fileTypeText(f.fileType);
  t["labFileLengthBytes"] = decimalText(std::floor(f.sizeKB));
  t["labFileLengthFrames"] = f.lengthText;
  t["labPictureRate"] = orNotApplicable(shown.rate, pictureRateText(f.path, f.pictureRate));
  t["labSystemMuxRate"] = orNotApplicable(shown.mux, decimalText(f.muxRate));
  t["labVideoHorizontalSize"] = orNotApplicable(shown.picture, decimalText(f.width));
  t["labVideoVerticalSize"] = orNotApplicable(shown.picture, decimalText(f.height));
  t["labVideoBitrate"] =
      orNotApplicable(shown.picture, decimalText(f.videoByteRate * 8.0 / 1000000.0));
  t["labAudioBitrate"] = orNotApplicable(shown.audio, decimalText(f.audioByteRate * 8.0 / 1000.0));
  t["labAudioMode"] = orNotApplicable(shown.audio, audioModeText(f.audioMode));
  t["labAudioLayer"] = orNotApplicable(shown.audio, decimalText(f.audioLayer));
  t["labAudioSampleRate"] = orNotApplicable(shown.audio, decimalText(f.sampleRate));
  t["labVideoCDCompliant"] =
      orNotApplicable(shown.vcd, f.vcdCompatible ? QStringLiteral("Yes") : QStringLiteral("No"));
  return t;
}

}  // namespace cw::app
