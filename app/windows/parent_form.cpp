#include "app/windows/parent_form.h"

#include <QMenuBar>

#include "app/shell/messages.h"
#include "app/shell/settings.h"
#include "app/windows/commands.h"
#include "app/windows/session_keeper.h"
#include "player/twips.h"

namespace cw::app {

ParentForm::ParentForm(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("ParentForm"));
  setWindowTitle(QString::fromLatin1(kApplicationName));
  setAccessibleName(windowTitle());
  actions_ = new ActionRegistry(this);
  buildMenus();

  mdiArea_ = new QMdiArea(this);
  mdiArea_->setObjectName(QStringLiteral("MDIClient"));
  mdiArea_->setAccessibleName(tr("Workspace"));
  setCentralWidget(mdiArea_);

  timer1_ = new QTimer(this);
  timer1_->setObjectName(QStringLiteral("Timer1"));
  timer1_->setSingleShot(true);
  connect(timer1_, &QTimer::timeout, this, &ParentForm::Timer1_Timer);

  newPlayer_ = new NewPlayer;
  newRecorder_ = new NewRecorder;
  footageForm_ = new FootageForm;
  for (QMdiSubWindow* child :
       {static_cast<QMdiSubWindow*>(newPlayer_), static_cast<QMdiSubWindow*>(newRecorder_),
        static_cast<QMdiSubWindow*>(footageForm_)}) {
    mdiArea_->addSubWindow(child);
    child->hide();
  }
  newProgress_ = new NewProgress(this);
  setMessageParent(this);

  installShellCommands(*this);
  installClipCommands(*this);
  installRecordCommands(*this);
  installFormCommands(*this);
  installSaveCommands(*this);
  installPreviewCommands(*this);
  installImportCommands(*this);
  installStillImageCommands(*this);
}

ParentForm::~ParentForm() {
  // The players close their clips as their windows go, and let events run
  // meanwhile: the session keeper's timer must not fire then, on a form
  // whose menus are already gone.
  delete findChild<SessionKeeper*>(QStringLiteral("sessionKeeper"));
  setMessageParent(nullptr);
}

void ParentForm::buildMenus() {
  menuBar()->setAccessibleName(tr("Menu bar"));
  // Hidden menus (Debug, the thumbnail context menu) stay out of sight.
  for (QMenu* menu : actions_->topMenus()) menuBar()->addMenu(menu);
}

void ParentForm::placeWindow(QMdiSubWindow* window, double leftTwips, double topTwips) {
  window->move(player::twipsToPixels(leftTwips), player::twipsToPixels(topTwips));
}

}  // namespace cw::app
