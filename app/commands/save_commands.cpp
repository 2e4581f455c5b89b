// Connects the saving, export and recovery commands to the main window's
// menu items and the recorder's Make Movie button.
#include <QMouseEvent>

#include "app/commands/commands.h"
#include "app/controllers/save_controller.h"
#include "app/controllers/session_keeper.h"
#include "app/shell/actions.h"
#include "app/shell/editor_session.h"
#include "app/windows/main_window.h"

namespace cw::app {

namespace {

// Make Movie acts on the mouse button going down, and tells the buttons
// apart: left saves a copy, right saves and closes.
class MakeButtonFilter : public QObject {
 public:
  MakeButtonFilter(QObject* parent, MainWindow& form, SaveController& saving)
      : QObject(parent), form_(form), saving_(saving) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::MouseButtonPress) return QObject::eventFilter(watched, event);
    const auto button = static_cast<QMouseEvent*>(event)->button();
    if (button == Qt::LeftButton || button == Qt::RightButton) {
      endPlayingPreview(form_);
      saving_.onMakePressed(button);
    }
    return true;
  }

 private:
  MainWindow& form_;
  SaveController& saving_;
};

}  // namespace

void installSaveCommands(MainWindow& form) {
  auto* saving = new SaveController(form);
  // Each of these takes the project file as it is: a preview still playing
  // ends first, or its edit would be saved or exported with the movie.
  auto on = [&form, saving](const char* name, auto handler) {
    QObject::connect(form.action(QLatin1String(name)), &QAction::triggered, saving,
                     [&form, handler] {
                       endPlayingPreview(form);
                       handler();
                     });
  };
  on("menuSaveAs", [saving] { saving->onSaveAs(); });
  on("mnuSaveAndClose", [saving] { saving->onSaveAndClose(); });
  on("menuClose", [saving] { saving->onCloseAll(); });
  on("menuMake", [saving] { saving->onMakePressed(Qt::LeftButton); });
  on("mnuExportAsRealMedia", [saving] { saving->onExportRealMedia(); });
  on("menuPopupExportRealMedia", [saving] { saving->onExportClipRealMedia(); });
  on("mnuToolsMediaPallete", [saving] { saving->onMediaPalette(); });
  on("mnuLBRHigh",
     [saving, &form] { saving->exportLowBitrate(form.session().recordFilePath, 600); });
  on("mnuLBRMedium",
     [saving, &form] { saving->exportLowBitrate(form.session().recordFilePath, 384); });
  on("mnuLBRLow",
     [saving, &form] { saving->exportLowBitrate(form.session().recordFilePath, 128); });
  QPushButton* make = form.recorderWindow()->makeButton();
  make->installEventFilter(new MakeButtonFilter(make, form, *saving));
  new SessionKeeper(form);
}

}  // namespace cw::app
