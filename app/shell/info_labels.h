// The texts of the clip and recorder information forms: what each value
// label shows for a file's properties, by file type.
#pragma once

#include <QString>
#include <cstdint>
#include <map>

namespace cw::app {

// One file's properties as the information forms show them.
struct FileFacts {
  QString path;            // full path; decides the "15" and "7.5" rates
  int fileType = -1;       // 0 system, 1 video only, 2 audio only, 3 several streams
  double sizeKB = 0;       // whole kilobytes
  double pictureRate = 0;  // pictures per second, 0 when unknown
  QString lengthText;      // time code
  std::int32_t muxRate = 0;
  int width = 0;
  int height = 0;
  std::int32_t videoByteRate = 0;
  std::int32_t audioByteRate = 0;
  int audioMode = -1;
  int audioLayer = 0;
  std::int32_t sampleRate = 0;
  bool vcdCompatible = false;
};

// The facts of a clip record or the recorder's information: both name the
// probed values alike, and differ in where the path and the length are.
template <class Record>
FileFacts factsOf(const Record& r, const QString& path, const QString& lengthText) {
  FileFacts f;
  f.path = path;
  f.fileType = r.fileType;
  f.sizeKB = r.sizeKB;
  f.pictureRate = r.pictureRate;
  f.lengthText = lengthText;
  f.muxRate = r.muxRate;
  f.width = r.width;
  f.height = r.height;
  f.videoByteRate = r.videoByteRate;
  f.audioByteRate = r.audioByteRate;
  f.audioMode = r.audioMode;
  f.audioLayer = r.audioLevel;
  f.sampleRate = r.sampleRate;
  f.vcdCompatible = r.vcdCompatible;
  return f;
}

// "MPEG System", "Video Only", "Audio Only", "Multiple Streams" or
// "Invalid Stream".
QString fileTypeText(int fileType);
QString pictureRateText(const QString& path, double pictureRate);
QString audioModeText(int audioMode);
// Shortest decimal text of a value ("1.15", "224", "44100").
QString decimalText(double value);

// Value label name -> text, for every value label of the forms.
std::map<QString, QString> infoLabelTexts(const FileFacts& facts);

}  // namespace cw::app
