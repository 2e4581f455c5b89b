#include "app/shell/settings.h"

namespace cw::app {

Settings::Settings(const QString& group)
    : store_(QSettings::NativeFormat, QSettings::UserScope, QString::fromLatin1(kApplicationName),
             QString::fromLatin1(kApplicationName)),
      group_(group) {
  store_.beginGroup(group_);
}

QString Settings::text(const QString& key, const QString& fallback) const {
  return store_.value(key, fallback).toString();
}

double Settings::single(const QString& key, double fallback) const {
  bool ok = false;
  const double value = store_.value(key).toString().trimmed().toDouble(&ok);
  return ok ? value : fallback;
}

int Settings::integer(const QString& key, int fallback) const {
  bool ok = false;
  const double value = store_.value(key).toString().trimmed().toDouble(&ok);
  return ok ? static_cast<int>(value) : fallback;
}

bool Settings::contains(const QString& key) const { return store_.contains(key); }

void Settings::setText(const QString& key, const QString& value) { store_.setValue(key, value); }

void Settings::setSingle(const QString& key, double value) { setText(key, numberText(value)); }

void Settings::setInteger(const QString& key, int value) { setText(key, QString::number(value)); }

const QStringList& Settings::startupKeys() {
  static const QStringList keys = {"PlayerL",      "PlayerT",  "RecorderL",      "RecorderT",
                                   "FootageL",     "FootageT", "FootageW",       "FootageH",
                                   "FootageWinSt", "TempDir",  "PreviewWinSize", "PreRoll"};
  return keys;
}

QString numberText(double value) { return QString::number(value, 'g', 15); }

}  // namespace cw::app
