#include "app/windows/main_window.h"

#include <QEvent>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>

#include "app/commands/commands.h"
#include "app/controllers/session_keeper.h"
#include "app/controllers/sound_guard.h"
#include "app/shell/editor_session.h"
#include "app/shell/messages.h"
#include "app/shell/settings.h"
#include "player/twips.h"

namespace cw::app {

namespace {

bool inNormalState(const QWidget* window) {
  return !(window->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized));
}

// Remembers where a child window was and how large while it was neither
// minimised nor maximised: a minimised window's geometry is its title bar
// at the bottom of the workspace, not the size it comes back to.
class NormalPlace : public QObject {
 public:
  explicit NormalPlace(QMdiSubWindow* window) : QObject(window) {
    setObjectName(QStringLiteral("normalPlace"));
    window->installEventFilter(this);
  }
  QRect rect() const { return rect_; }

  bool eventFilter(QObject* watched, QEvent* event) override {
    const auto* window = static_cast<QWidget*>(watched);
    if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) && inNormalState(window))
      rect_ = window->geometry();
    return false;
  }

 private:
  QRect rect_;
};

}  // namespace

MainWindow::MainWindow(std::unique_ptr<EditorSession> given, QWidget* parent)
    : QMainWindow(parent), session_(given ? std::move(given) : std::make_unique<EditorSession>()) {
  setObjectName(QStringLiteral("ParentForm"));
  setWindowTitle(QString::fromLatin1(kApplicationName));
  setAccessibleName(windowTitle());
  actions_ = new ActionRegistry(this);
  buildMenus();
  OperationRunner& operations = *session().operations;
  operations.setCommands(actions_);
  // Exit while work ran: the work has been cancelled and its caller has
  // restored what it changed; the exit goes on from the event loop.
  connect(&operations, &OperationRunner::runningChanged, this, [this](bool running) {
    if (running || !exitWhenIdle_) return;
    exitWhenIdle_ = false;
    QTimer::singleShot(0, this, &MainWindow::onExit);
  });

  mdiArea_ = new QMdiArea(this);
  mdiArea_->setObjectName(QStringLiteral("MDIClient"));
  mdiArea_->setAccessibleName(tr("Workspace"));
  setCentralWidget(mdiArea_);

  startupTimer_ = new QTimer(this);
  startupTimer_->setObjectName(QStringLiteral("startupTimer"));
  startupTimer_->setSingleShot(true);
  connect(startupTimer_, &QTimer::timeout, this, &MainWindow::finishStartUp);

  playerWindow_ = new PlayerWindow;
  recorderWindow_ = new RecorderWindow;
  footageWindow_ = new FootageWindow(*session_);
  for (QMdiSubWindow* child :
       {static_cast<QMdiSubWindow*>(playerWindow_), static_cast<QMdiSubWindow*>(recorderWindow_),
        static_cast<QMdiSubWindow*>(footageWindow_)}) {
    mdiArea_->addSubWindow(child);
    child->hide();
    new NormalPlace(child);
  }
  progressDialog_ = new ProgressDialog(*session_, this);
  setMessageParent(this);

  installShellCommands(*this);
  installClipCommands(*this);
  installRecordCommands(*this);
  installCutListCommands(*this);
  installFormCommands(*this);
  installSaveCommands(*this);
  installPreviewCommands(*this);
  installImportCommands(*this);
  installStillImageCommands(*this);
  auto* sound = new SoundGuard(this);
  for (player::ScrubPane* pane : findChildren<player::ScrubPane*>()) sound->watch(pane);
}

MainWindow::~MainWindow() {
  // The players close their clips as their windows go, and let events run
  // meanwhile: the session keeper's timer must not fire then, on a form
  // whose menus are already gone.
  delete findChild<SessionKeeper*>(QStringLiteral("sessionKeeper"));
  setMessageParent(nullptr);
  // The windows and controllers use the session and this window while they
  // go, so they go now, before the session (a member) and while this is
  // still a MainWindow. The layout stays for QWidget to delete.
  QList<QPointer<QObject>> children;
  for (QObject* child : QObject::children())
    if (child != layout()) children.append(child);
  for (const QPointer<QObject>& child : children) delete child.data();
}

void MainWindow::buildMenus() {
  menuBar()->setAccessibleName(tr("Menu bar"));
  // Hidden menus (Debug, the thumbnail context menu) stay out of sight.
  for (QMenu* menu : actions_->topMenus()) menuBar()->addMenu(menu);
}

QRect MainWindow::restoredGeometry(const QMdiSubWindow* window) {
  const auto* place =
      window->findChild<NormalPlace*>(QStringLiteral("normalPlace"), Qt::FindDirectChildrenOnly);
  if (inNormalState(window) || !place || place->rect().isNull()) return window->geometry();
  return place->rect();
}

void MainWindow::placeWindow(QMdiSubWindow* window, double leftTwips, double topTwips) {
  window->move(player::twipsToPixels(leftTwips), player::twipsToPixels(topTwips));
}

}  // namespace cw::app
