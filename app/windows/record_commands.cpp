// Record commands: record modes, Record, Undo, pre-roll and the engine's
// Progress / Done / Err events.
#include "app/windows/commands.h"
#include "app/windows/parent_form.h"

namespace cw::app {

void installRecordCommands(ParentForm& form) { (void)form; }

// CALL POINT: generateRecorderInfo("") of the recorder goes here.
void resetRecorderAtStart(ParentForm& form) { (void)form; }

}  // namespace cw::app
