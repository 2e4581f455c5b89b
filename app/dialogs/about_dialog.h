// Help > About: the program's name and version and the libraries it runs on
// with their licences.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace cw::app {

class AboutDialog : public QDialog {
  Q_OBJECT
 public:
  explicit AboutDialog(QWidget* parent = nullptr);

  QLabel* labTitle() const { return labTitle_; }
  QLabel* labVersion() const { return labVersion_; }
  QLabel* labLibraries() const { return labLibraries_; }
  QPushButton* butOK() const { return okButton_; }

 private:
  QLabel* addLabel(const char* name, const QString& text);

  QLabel* labTitle_ = nullptr;
  QLabel* labVersion_ = nullptr;
  QLabel* labLibraries_ = nullptr;
  QPushButton* okButton_ = nullptr;
};

}  // namespace cw::app
