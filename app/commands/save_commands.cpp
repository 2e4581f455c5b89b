// Connects the saving, export and recovery commands to the main window's
// menu items and the recorder's Make Movie button.
#include <QMouseEvent>

#include "app/shell/actions.h"
#include "app/shell/app_state.h"
#include "app/windows/commands.h"
#include "app/windows/parent_form.h"
#include "app/windows/save_controller.h"
#include "app/windows/session_keeper.h"

namespace cw::app {

namespace {

// Make Movie acts on the mouse button going down, and tells the buttons
// apart: left saves a copy, right saves and closes.
class MakeButtonFilter : public QObject {
 public:
  MakeButtonFilter(QObject* parent, ParentForm& form, SaveController& saving)
      : QObject(parent), form_(form), saving_(saving) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::MouseButtonPress) return QObject::eventFilter(watched, event);
    const auto button = static_cast<QMouseEvent*>(event)->button();
    if (button == Qt::LeftButton || button == Qt::RightButton) {
      endPlayingPreview(form_);
      saving_.butMake_Press(button);
    }
    return true;
  }

 private:
  ParentForm& form_;
  SaveController& saving_;
};

}  // namespace

void installSaveCommands(ParentForm& form) {
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
  on("menuSaveAs", [saving] { saving->menuSaveAs_Click(); });
  on("mnuSaveAndClose", [saving] { saving->mnuSaveAndClose_Click(); });
  on("menuClose", [saving] { saving->menuClose_Click(); });
  on("menuMake", [saving] { saving->butMake_Press(Qt::LeftButton); });
  on("mnuExportAsRealMedia", [saving] { saving->mnuExportAsRealMedia_Click(); });
  on("menuPopupExportRealMedia", [saving] { saving->menuPopupExportRealMedia_Click(); });
  on("mnuToolsMediaPallete", [saving] { saving->mnuToolsMediaPallete_Click(); });
  on("mnuLBRHigh", [saving] { saving->ExportLowBitrate(appState().RecordFilePath, 600); });
  on("mnuLBRMedium", [saving] { saving->ExportLowBitrate(appState().RecordFilePath, 384); });
  on("mnuLBRLow", [saving] { saving->ExportLowBitrate(appState().RecordFilePath, 128); });
  QPushButton* make = form.newRecorder()->butMake();
  make->installEventFilter(new MakeButtonFilter(make, form, *saving));
  new SessionKeeper(form);
}

}  // namespace cw::app
