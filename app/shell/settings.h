// The editor's per-user settings: QSettings of the application
// "Clipwright Editor", group "Startup". Every value is stored as text;
// numbers in their shortest decimal form, read back as numbers. Window
// positions and sizes stay in twips (see twipsToPixels in player/twips.h).
#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

namespace cw::app {

inline constexpr const char* kApplicationName = "Clipwright Editor";

class Settings {
 public:
  // The group "Startup" (or another group of the same store).
  explicit Settings(const QString& group = QStringLiteral("Startup"));

  QString text(const QString& key, const QString& fallback) const;
  // A number; a missing or unreadable value gives the fallback.
  double single(const QString& key, double fallback) const;
  int integer(const QString& key, int fallback) const;
  bool contains(const QString& key) const;

  void setText(const QString& key, const QString& value);
  void setSingle(const QString& key, double value);
  void setInteger(const QString& key, int value);
  void sync() { store_.sync(); }

  // The twelve start-up keys, in the order they are read and written.
  static const QStringList& startupKeys();

 private:
  QSettings store_;
  QString group_;
};

// A number as text in its shortest decimal form ("240", "6530", "0.5").
QString numberText(double value);

}  // namespace cw::app
