#include "app/shell/clip_table.h"
#include "engine/analysis/stream_info.h"

#include <cmath>

namespace cw::app {

QString clipTypeWord(int fileType) {
  switch (fileType) {
    case kTypeSystem:
      return "System";
    case kTypeVideoOnly:
      return "Videoonly";
    case kTypeAudioOnly:
      return "Audioonly";
    case kTypeSystemMulti:
      return "Multiple";
    default:
      return "Wrong";
  }
}

double clipPictureRate(float declared) {
  if (declared == -1.0f) return 30;
  // The declared rates (23.976, 29.97 ...) are not exact in single precision;
  // a thousandth's sliver keeps 29.97 from being cut to 29.969.
  return std::floor(static_cast<double>(declared) * 1000.0 + 1e-3) / 1000.0;
}

QString fileExtension(const QString& fileName) {
  const qsizetype dot = fileName.lastIndexOf('.');
  return dot < 0 ? QString() : fileName.mid(dot + 1).toLower();
}

QString folderOf(const QString& path) { return path.left(path.lastIndexOf('/') + 1); }

namespace {

bool vcdCompatible(const Probe& info) {
  const bool video = info.shopFileVideoVCDcomp() == 1;
  const bool audio = info.shopFileAudioVCDcomp() == 1;
  switch (info.shopFileType()) {
    case kTypeVideoOnly:
      return video;
    case kTypeAudioOnly:
      return audio;
    default:
      return video && audio;
  }
}

}  // namespace

ClipRecord makeClipRecord(const QString& path, const QString& fileName, const QString& extension,
                          std::shared_ptr<Probe> info) {
  ClipRecord clip;
  clip.FullPath = path;
  clip.Folder = folderOf(path);
  clip.FileName = fileName;
  clip.ByteLength = info->shopFileBytelenD();
  clip.Extension = extension;
  clip.FileType = info->shopFileType();
  clip.SizeKB = std::floor(clip.ByteLength / 1024);
  clip.PictureRate = clipPictureRate(info->shopFileVideoPicrateDeclared());
  clip.MuxRate = info->shopFileMuxrate();
  clip.Width = static_cast<std::int16_t>(info->shopFileVideoHorPicsize());
  clip.Height = static_cast<std::int16_t>(info->shopFileVideoVerPicsize());
  clip.VideoByteRate = info->shopFileVideoByterate();
  clip.AudioByteRate = info->shopFileAudioByterate();
  clip.AudioMode = info->shopFileAudioMode();
  clip.AudioLevel = info->shopFileAudioLevel();
  clip.SampleRate = static_cast<std::int32_t>(std::lround(info->shopFileAudioSampfreqDeclared()));
  clip.VcdCompatible = vcdCompatible(*info);
  clip.InfoHandle = info->ninfoHand();
  clip.Info = std::move(info);
  return clip;
}

int findClip(const AppState& state, const QString& path) {
  for (int i = 0; i <= state.ClipCount && i < static_cast<int>(state.Clips.size()); ++i)
    if (state.Clips[i].FullPath == path) return i;
  return -1;
}

void removeClipRecord(AppState& state, int index) {
  if (index < 0 || index >= static_cast<int>(state.Clips.size())) return;
  state.Clips.erase(state.Clips.begin() + index);
  // Counted down, not taken from the table's size: while a file is being
  // opened ClipCount already holds the index its record will take, and that
  // place moves down with the others.
  --state.ClipCount;
  // The player's clip keeps its record: the engine reads the source's
  // analysis through the record of CurrentClip.
  if (state.CurrentClip > index) --state.CurrentClip;
  if (state.InfoWindowClip > index)
    --state.InfoWindowClip;
  else if (state.InfoWindowClip == index)
    state.InfoWindowClip = -1;
}

}  // namespace cw::app
