#include "app_fixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QThread>
#include <QWindow>

#include "support/qt_application.h"

#include "player/message_box.h"

namespace cw::app::testing {

QApplication& application() { return cw::test::qtTestApplication(); }

void runEventsFor(int milliseconds) { cw::test::runQtEventsFor(milliseconds); }

AppFixture::AppFixture() {
  application();
  QDir().mkpath(configFolder());
  QDir().mkpath(cacheFolder());
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configFolder());
  oldCache_ = qgetenv("XDG_CACHE_HOME");
  oldCurrent_ = QDir::currentPath();
  qputenv("XDG_CACHE_HOME", cacheFolder().toLocal8Bit());
  setMessageAnswerer([this](const MessageBox& box) {
    shown_.push_back(box);
    if (answers_.empty())
      return box.buttons == MessageButtons::Ok ? MessageAnswer::Ok : box.defaultAnswer;
    const MessageAnswer next = answers_.front();
    answers_.pop_front();
    return next;
  });
  player::setMessageResponder([this](const player::Message& message) {
    MessageBox box;
    box.lines = message.text.split(QLatin1Char('\n'));
    box.title = QString::fromLatin1(player::kMessageTitle);
    shown_.push_back(box);
    return message.buttons == player::MessageButtons::YesNo ? message.defaultAnswer
                                                            : player::MessageAnswer::Ok;
  });
}

AppFixture::~AppFixture() {
  form_.reset();
  setMessageAnswerer(nullptr);
  player::setMessageResponder(nullptr);
  if (oldCache_.isNull())
    qunsetenv("XDG_CACHE_HOME");
  else
    qputenv("XDG_CACHE_HOME", oldCache_);
  QDir::setCurrent(oldCurrent_);
}

MainWindow& AppFixture::start(bool secondStage) {
  form_ = std::make_unique<MainWindow>(std::move(session_));
  form_->resize(1000, 720);
  form_->show();
  EXPECT_TRUE(form_->startUp());
  if (secondStage) form_->finishStartUp();
  return *form_;
}

void AppFixture::activateMainWindow() {
  form_->activateWindow();
  form_->windowHandle()->requestActivate();
  QElapsedTimer clock;
  clock.start();
  while (!form_->isActiveWindow() && clock.elapsed() < 2000) runEventsFor(5);
  ASSERT_TRUE(form_->isActiveWindow());
}

QString AppFixture::root() const { return QString::fromStdString(dir_.path().string()); }
QString AppFixture::configFolder() const { return root() + "/config"; }
QString AppFixture::cacheFolder() const { return root() + "/cache"; }
QString AppFixture::settingsFile() const {
  return configFolder() + "/Clipwright Editor/Clipwright Editor.conf";
}

void AppFixture::writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
  file.write(bytes);
}

}  // namespace cw::app::testing
