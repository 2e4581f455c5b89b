// What the two "Clip Properties" forms share: the caption and value labels of
// a file's properties, filled by file type, the placement at a screen point
// inside the screen, and closing on a right mouse press.
#pragma once

#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMap>

#include "app/shell/info_labels.h"

namespace cw::app {

class InfoDialog : public QDialog {
  Q_OBJECT
 public:
  // The value label of that name (labWhatType, labPictureRate ...).
  QLabel* valueLabel(const QString& name) const { return values_.value(name); }
  QLabel* labMPEGStream() const { return labMPEGStream_; }

  // Moves the form's top-left corner to `screenPoint` (pixels), then back
  // inside the screen where it would pass the right or bottom edge.
  void openAt(const QPoint& screenPoint);

 protected:
  explicit InfoDialog(const char* objectName, QWidget* parent);

  // Shows `stream` in labMPEGStream and the facts in the value labels, and
  // widens the form to the stream text.
  void fill(const QString& stream, const FileFacts& facts);
  QGridLayout* grid() const { return grid_; }

  void mousePressEvent(QMouseEvent* event) override;

 private:
  void addRow(const QString& caption, const char* valueName);
  void widenToStream();

  QLabel* labMPEGStream_ = nullptr;
  QGridLayout* grid_ = nullptr;
  QMap<QString, QLabel*> values_;
};

}  // namespace cw::app
