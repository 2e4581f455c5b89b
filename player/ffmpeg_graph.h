// The media graph on FFmpeg. Decoding runs on a DecodeWorker thread; the clock,
// the presentation of pictures and every call stay on the thread that made the
// graph (the user-interface thread). Setting the position decodes the picture
// of that time before it returns, so what is shown afterwards is exact.
#pragma once

#include <QTimer>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>

#include "player/audio_output.h"
#include "player/decode_worker.h"
#include "player/media_file.h"
#include "player/media_graph.h"
#include "player/playback_clock.h"
#include "player/video_surface.h"

namespace cw::player {

// How playback kept up, for measurement.
struct PlaybackStats {
  long picturesDecoded = 0;
  double decodeSeconds = 0;  // spent decoding those pictures
  long picturesShown = 0;
  long picturesSkipped = 0;  // decoded but due before they could be shown
  long lateTicks = 0;        // presentation ticks that found no picture ready
};

class FfmpegGraph : public MediaGraph,
                    private MediaControl,
                    private VideoWindow,
                    private MediaPosition {
 public:
  FfmpegGraph();
  ~FfmpegGraph() override;

  MediaControl* mediaControl() override { return this; }
  VideoWindow* videoWindow() override;
  MediaPosition* mediaPosition() override { return this; }

  PlaybackStats statistics() const;
  bool hasAudioOutput() const { return audio_ != nullptr; }
  double framePeriod() const { return framePeriod_; }  // 0 without video

 private:
  // MediaControl
  int renderFile(const QString& path) override;
  int run() override;
  int pause() override;
  int stop() override;
  // VideoWindow
  int setVisible(bool visible) override;
  int setWindowStyle(long style) override;
  int setGeometry(int left, int top, int width, int height) override;
  int setOwner(QWidget* owner) override;
  int setMessageDrain(QWidget* drain) override;
  int setWindowForeground(bool focus) override;
  int setFullScreenMode(bool fullScreen) override;
  QImage currentPicture() const override;
  // MediaPosition
  int duration(double& seconds) const override;
  int currentPosition(double& seconds) const override;
  int setCurrentPosition(double seconds) override;
  int setRate(double rate) override;

  bool fillStep();  // on the decoding thread
  void presentDue();
  int showPictureAt(double seconds);
  void startSound();
  bool soundWanted() const;

  // Shared with the decoding thread.
  std::unique_ptr<MediaFile> file_;
  mutable std::mutex queueMutex_;
  std::deque<VideoFrame> queue_;
  bool queueEnded_ = false;
  PlaybackStats stats_;
  std::atomic<bool> soundOn_{false};

  // The user-interface thread's own.
  bool rendered_ = false;
  bool hasVideo_ = false;
  double length_ = 0;
  double framePeriod_ = 0;
  bool playing_ = false;
  bool soundFresh_ = true;  // the sound must restart at the clock's position
  VideoFrame shown_;
  bool pictureShown_ = false;
  PlaybackClock clock_;
  QTimer presentTimer_;
  // The video window, owned here; while attached it is also a child of its
  // owner widget, which therefore has to outlive the graph (as the
  // ScrubPane's clip area does) or take it back with setOwner(nullptr).
  std::unique_ptr<VideoSurface> surface_;
  std::unique_ptr<AudioOutput> audio_;
  std::unique_ptr<DecodeWorker> worker_;  // declared last: stops first
};

}  // namespace cw::player
