// A horizontal slider that also shows a selected range (the marked stretch), as
// the position slider of the player does: value, maximum, selection start and
// length in slider units, and whether the range is drawn.
#pragma once

#include <QSlider>

namespace cw::player {

class PositionSlider : public QSlider {
  Q_OBJECT
 public:
  explicit PositionSlider(QWidget* parent = nullptr);

  int selectionStart() const { return selStart_; }
  int selectionLength() const { return selLength_; }
  bool selectRange() const { return selectRange_; }
  void setSelectionStart(int start);
  void setSelectionLength(int length);
  void setSelectRange(bool on);
  void clearSelection();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int selStart_ = 0;
  int selLength_ = 0;
  bool selectRange_ = false;
};

}  // namespace cw::player
