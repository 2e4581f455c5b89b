#include "app/dialogs/info_dialog.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "player/twips.h"

namespace cw::app {

namespace {

// Room kept right of the stream text.
constexpr int kStreamMarginTwips = 60;

// Caption and value label of every row, top to bottom.
constexpr std::pair<const char*, const char*> kRows[] = {
    {"File Type:", "labWhatType"},
    {"Frames per Second:", "labPictureRate"},
    {"System Mux Rate:", "labSystemMuxRate"},
    {"Picture Width:", "labVideoHorizontalSize"},
    {"Picture Height:", "labVideoVerticalSize"},
    {"Video Bitrate (Mbit/s):", "labVideoBitrate"},
    {"Audio Bitrate (Kbit/s):", "labAudioBitrate"},
    {"Audio Mode:", "labAudioMode"},
    {"Audio Layer:", "labAudioLayer"},
    {"Audio Sample Rate:", "labAudioSampleRate"},
    {"Length (Time Code):", "labFileLengthFrames"},
    {"File Size (Kb):", "labFileLengthBytes"},
    {"VideoCD Ready:", "labVideoCDCompliant"},
};

}  // namespace

InfoDialog::InfoDialog(const char* objectName, QWidget* parent) : QDialog(parent) {
  setObjectName(QString::fromLatin1(objectName));
  setWindowTitle(tr("Clip Properties"));
  setAccessibleName(windowTitle());
  setAttribute(Qt::WA_DeleteOnClose);

  labMPEGStream_ = new QLabel(this);
  labMPEGStream_->setObjectName("labMPEGStream");
  labMPEGStream_->setTextInteractionFlags(Qt::NoTextInteraction);
  grid_ = new QGridLayout;
  grid_->setColumnStretch(1, 1);
  for (const auto& [caption, valueName] : kRows) addRow(tr(caption), valueName);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(labMPEGStream_);
  layout->addLayout(grid_);
  layout->setSizeConstraint(QLayout::SetMinimumSize);
}

void InfoDialog::addRow(const QString& caption, const char* valueName) {
  const int row = grid_->rowCount();
  auto* captionLabel = new QLabel(caption, this);
  auto* value = new QLabel(this);
  value->setObjectName(QString::fromLatin1(valueName));
  // A screen reader reads the value's text as its name and finds the caption
  // through the buddy's label relation.
  captionLabel->setBuddy(value);
  grid_->addWidget(captionLabel, row, 0);
  grid_->addWidget(value, row, 1);
  values_.insert(QString::fromLatin1(valueName), value);
}

void InfoDialog::fill(const QString& stream, const FileFacts& facts) {
  labMPEGStream_->setText(stream);
  const auto texts = infoLabelTexts(facts);
  for (const auto& [name, text] : texts) {
    if (QLabel* label = values_.value(name)) label->setText(text);
  }
  widenToStream();
}

void InfoDialog::widenToStream() {
  layout()->activate();
  const int needed = labMPEGStream_->geometry().left() + labMPEGStream_->sizeHint().width() +
                     player::twipsToPixels(kStreamMarginTwips);
  if (needed > width()) resize(needed, height());
}

void InfoDialog::openAt(const QPoint& screenPoint) {
  adjustSize();
  widenToStream();
  move(screenPoint);
  show();
  raise();
  // The window frame is known once shown: keep all of it on the screen.
  QScreen* screen = QGuiApplication::screenAt(screenPoint);
  if (!screen) screen = QGuiApplication::primaryScreen();
  const QRect area = screen->availableGeometry();
  const QRect frame = frameGeometry();
  QPoint corner = frame.topLeft();
  if (frame.right() > area.right()) corner.rx() -= frame.right() - area.right();
  if (frame.bottom() > area.bottom()) corner.ry() -= frame.bottom() - area.bottom();
  corner.setX(std::max(corner.x(), area.left()));
  corner.setY(std::max(corner.y(), area.top()));
  if (corner != frame.topLeft()) move(corner);
}

void InfoDialog::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    close();
    return;
  }
  QDialog::mousePressEvent(event);
}

}  // namespace cw::app
