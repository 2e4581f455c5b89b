// The splash window shown while the editor starts: centred across the
// screen and 500 twips above its middle. Its caller closes it.
#pragma once

#include <QLabel>
#include <QWidget>

namespace cw::app {

class Intro : public QWidget {
  Q_OBJECT
 public:
  explicit Intro(QWidget* parent = nullptr);

  QLabel* picIntro() const { return picIntro_; }

  // Places the window for the screen it is on (done on load).
  void centre();

 private:
  QLabel* picIntro_ = nullptr;
};

}  // namespace cw::app
