// Clip commands: File > Open, the thumbnail commands and the palette's
// signals.
#include "app/windows/commands.h"
#include "app/windows/parent_form.h"

namespace cw::app {

void installClipCommands(ParentForm& form) { (void)form; }

// CALL POINT: the clip table's opening of a path list goes here.
void openCommandLineClips(ParentForm& form, const QStringList& paths) {
  (void)form;
  (void)paths;
}

}  // namespace cw::app
