// The keys of the player and recorder windows: Space plays and pauses,
// Left/Right (and , .) step one frame, I and O set Mark In and Mark Out,
// Home and End go to the clip's start and end. The keys work wherever the
// focus is inside the window, the pane's own buttons included, and are
// carried out through the pane's own buttons so that they behave as clicks.
#pragma once

#include <QObject>
#include <QPointer>

class QKeyEvent;
class QWidget;

namespace cw::player {
class ScrubPane;
}

namespace cw::app {

class TransportKeys : public QObject {
  Q_OBJECT
 public:
  // Watches the key presses meant for `window` or any widget inside it.
  TransportKeys(QWidget* window, player::ScrubPane* pane);

  // Carries out the transport key; false when the key is not one of them.
  static bool apply(player::ScrubPane& pane, const QKeyEvent& event);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> window_;
  QPointer<player::ScrubPane> pane_;
};

}  // namespace cw::app
