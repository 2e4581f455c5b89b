// The media playback service as the player control uses it: a graph made for
// one file, reached through three parts - the media control (render, run,
// pause, stop), the video window (an output drawn inside a host widget) and the
// media position (duration, current position, rate). Every call returns 0 or
// an error number. A part that the rendered file lacks (the video window of a
// sound-only file) is absent: its getter returns nullptr.
#pragma once

#include <QImage>
#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace cw::player {

class MediaControl {
 public:
  virtual ~MediaControl() = default;
  virtual int renderFile(const QString& path) = 0;
  virtual int run() = 0;
  virtual int pause() = 0;  // shows the picture at the current position
  virtual int stop() = 0;   // like pause; the position stays
};

class VideoWindow {
 public:
  virtual ~VideoWindow() = default;
  virtual int setVisible(bool visible) = 0;
  virtual int setWindowStyle(long style) = 0;
  // Pixels, relative to the owner.
  virtual int setGeometry(int left, int top, int width, int height) = 0;
  // The widget the output is drawn in; nullptr detaches it.
  virtual int setOwner(QWidget* owner) = 0;
  // The widget that receives the output's mouse input.
  virtual int setMessageDrain(QWidget* drain) = 0;
  virtual int setWindowForeground(bool focus) = 0;
  virtual int setFullScreenMode(bool fullScreen) = 0;
  // The picture on show, at the coded picture size.
  virtual QImage currentPicture() const = 0;
};

class MediaPosition {
 public:
  virtual ~MediaPosition() = default;
  virtual int duration(double& seconds) const = 0;
  virtual int currentPosition(double& seconds) const = 0;
  virtual int setCurrentPosition(double seconds) = 0;  // the picture shown follows
  virtual int setRate(double rate) = 0;
};

class MediaGraph {
 public:
  virtual ~MediaGraph() = default;
  virtual MediaControl* mediaControl() = 0;
  virtual VideoWindow* videoWindow() = 0;  // nullptr before rendering or without video
  virtual MediaPosition* mediaPosition() = 0;
};

using MediaGraphFactory = std::function<std::unique_ptr<MediaGraph>()>;

// The graph that decodes with FFmpeg and plays sound through the default
// audio device, when there is one.
std::unique_ptr<MediaGraph> createFfmpegGraph();

}  // namespace cw::player
