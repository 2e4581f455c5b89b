#include "app/controllers/transport_keys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolButton>

#include "player/scrub_pane.h"

namespace cw::app {

namespace {

QToolButton* paneButton(player::ScrubPane& pane, const char* name) {
  return pane.findChild<QToolButton*>(name);
}

void click(player::ScrubPane& pane, const char* name) {
  if (QToolButton* button = paneButton(pane, name)) button->click();
}

// The mark buttons act on the press of the left mouse button.
void press(player::ScrubPane& pane, const char* name) {
  QToolButton* button = paneButton(pane, name);
  if (!button) return;
  const QPointF at = QRectF(button->rect()).center();
  const QPointF global = button->mapToGlobal(at);
  QMouseEvent down(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(button, &down);
  QMouseEvent up(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                 Qt::NoModifier);
  QCoreApplication::sendEvent(button, &up);
}

void playOrPause(player::ScrubPane& pane) {
  if (pane.mode() == static_cast<int>(player::PlayerMode::Playing)) {
    pane.xPause();
  } else {
    pane.xPlay();
  }
}

}  // namespace

TransportKeys::TransportKeys(QWidget* window, player::ScrubPane* pane)
    : QObject(window), window_(window), pane_(pane) {
  qApp->installEventFilter(this);
}

bool TransportKeys::apply(player::ScrubPane& pane, const QKeyEvent& event) {
  const Qt::KeyboardModifiers plain = event.modifiers() & ~Qt::KeypadModifier;
  if (plain != Qt::NoModifier) return false;
  if (pane.mode() == static_cast<int>(player::PlayerMode::NoClip)) {
    return event.key() == Qt::Key_Space;  // no clip: Space must not click a button
  }
  switch (event.key()) {
    case Qt::Key_Space:
      playOrPause(pane);
      return true;
    case Qt::Key_Left:
    case Qt::Key_Comma:
      click(pane, "butRewind");
      return true;
    case Qt::Key_Right:
    case Qt::Key_Period:
      click(pane, "butForward");
      return true;
    case Qt::Key_Home:
      click(pane, "butStart");
      return true;
    case Qt::Key_End:
      click(pane, "butEnd");
      return true;
    case Qt::Key_I:
      press(pane, "butMarkIn");
      return true;
    case Qt::Key_O:
      press(pane, "butMarkOut");
      return true;
    default:
      return false;
  }
}

bool TransportKeys::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !window_ || !pane_ || !watched->isWidgetType()) {
    return false;
  }
  auto* widget = static_cast<QWidget*>(watched);
  if (widget != window_ && !window_->isAncestorOf(widget)) return false;
  return apply(*pane_, *static_cast<QKeyEvent*>(event));
}

}  // namespace cw::app
