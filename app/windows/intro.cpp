#include "app/windows/intro.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include "app/shell/library_notices.h"
#include "app/shell/settings.h"
#include "player/twips.h"

namespace cw::app {

namespace {

constexpr int kAboveMiddleTwips = 500;
constexpr QSize kPictureSize(420, 240);

// The splash picture: the program's name on a film-strip band.
QPixmap introPicture() {
  QPixmap picture(kPictureSize);
  QPainter paint(&picture);
  QLinearGradient ground(0, 0, 0, kPictureSize.height());
  ground.setColorAt(0, QColor(24, 32, 48));
  ground.setColorAt(1, QColor(8, 10, 16));
  paint.fillRect(picture.rect(), ground);
  const QRect band(0, 150, kPictureSize.width(), 44);
  paint.fillRect(band, QColor(230, 190, 40));
  paint.setPen(Qt::NoPen);
  paint.setBrush(QColor(8, 10, 16));
  for (int x = 8; x < band.width(); x += 24) {
    paint.drawRect(x, band.top() + 5, 12, 8);
    paint.drawRect(x, band.bottom() - 12, 12, 8);
  }
  paint.setPen(Qt::white);
  QFont title = paint.font();
  title.setPointSize(26);
  title.setBold(true);
  paint.setFont(title);
  paint.drawText(QRect(0, 40, kPictureSize.width(), 60), Qt::AlignCenter,
                 QString::fromLatin1(kApplicationName));
  QFont small = paint.font();
  small.setPointSize(10);
  small.setBold(false);
  paint.setFont(small);
  paint.drawText(
      QRect(0, 96, kPictureSize.width(), 24), Qt::AlignCenter,
      QObject::tr("MPEG-1 cutting without re-encoding  -  version %1").arg(programVersion()));
  return picture;
}

}  // namespace

Intro::Intro(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setObjectName("Intro");
  setAccessibleName(QString::fromLatin1(kApplicationName));
  picIntro_ = new QLabel(this);
  picIntro_->setObjectName("picIntro");
  picIntro_->setPixmap(introPicture());
  picIntro_->setAccessibleName(tr("%1 is starting").arg(QString::fromLatin1(kApplicationName)));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(picIntro_);
  setFixedSize(kPictureSize);
  centre();
}

void Intro::centre() {
  QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  const QRect area = screen->geometry();
  move(area.left() + (area.width() - width()) / 2,
       area.top() + (area.height() - height()) / 2 - player::twipsToPixels(kAboveMiddleTwips));
}

}  // namespace cw::app
