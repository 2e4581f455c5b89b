#include "app/shell/operation_runner.h"

#include <QEventLoop>
#include <QSemaphore>
#include <QThread>
#include <QTimer>
#include <memory>

#include "app/shell/actions.h"

namespace cw::app {

namespace {

// The one command that stays on: it asks, then cancels the work.
constexpr const char* kAlwaysOn = "menuExit";

}  // namespace

OperationRunner::OperationRunner(QObject* parent) : QObject(parent) {}

OperationRunner::~OperationRunner() = default;

void OperationRunner::setCommands(ActionRegistry* actions) { actions_ = actions; }

int OperationRunner::run(const std::function<int()>& work) {
  if (running_) return -1;
  cancel_.store(false);
  running_ = true;
  lockCommands();
  emit runningChanged(true);

  int result = -1;
  QEventLoop loop;
  std::unique_ptr<QThread> worker(QThread::create([&work, &result] { result = work(); }));
  // finished() comes from the worker: queued, after every call it posted.
  connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
  worker->start();
  loop.exec();
  worker->wait();

  running_ = false;
  unlockCommands();
  emit runningChanged(false);
  return result;
}

void OperationRunner::report(const std::function<void()>& call) {
  if (QThread::currentThread() == thread()) {
    call();
    return;
  }
  QSemaphore handled;
  QMetaObject::invokeMethod(
      this,
      [this, &call, &handled] {
        call();
        // Behind whatever the call queued, timers of no delay included.
        QTimer::singleShot(0, this, [&handled] { handled.release(); });
      },
      Qt::QueuedConnection);
  handled.acquire();
}

void OperationRunner::lockCommands() {
  if (!actions_) return;
  if (!locked_) {
    locked_ = new QActionGroup(this);
    locked_->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
  }
  for (QAction* action : actions_->all()) {
    if (action->menu() != nullptr || action->objectName() == QLatin1String(kAlwaysOn)) continue;
    if (action->actionGroup() != locked_) locked_->addAction(action);
  }
  locked_->setEnabled(false);
}

void OperationRunner::unlockCommands() {
  if (locked_) locked_->setEnabled(true);
}

}  // namespace cw::app
