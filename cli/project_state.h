// The state file of a clipwright-cli project. A project is one movie file
// that crop starts and append, entry, undo and redo change. What the editor
// keeps in memory between two edits lives in PROJECT.clipwright beside it:
// the Splicer's persisted properties (record mode, undo and redo journal
// names, relative to the project's folder so that a moved or copied folder
// keeps its own history), the four history flags, and the length the
// project had when the state was written. A state whose length differs from the project file
// belongs to another version of it and is refused.
//
// The file is a property bag in its text form with these keys besides the
// Splicer's own: UndoEnabled, RedoEnabled, UndoFileValid, RedoFileValid
// (Booleans) and ProjectLength (a decimal byte count in a string).
#pragma once

#include <cstdint>
#include <string>

#include "engine/splicer/splicer.h"

namespace cw::cli {

// PROJECT.clipwright, and the journals of a new project beside it.
std::string stateFilePath(const std::string& project);
std::string undoJournalPath(const std::string& project);
std::string redoJournalPath(const std::string& project);

// Writes the Splicer's persisted properties, its history and the project's
// current length. The file is replaced atomically and durably: a crash
// leaves the old state or the new one. False with `problem` set when the
// file cannot be written.
bool saveProjectState(const std::string& project, const Splicer& splicer, std::string& problem);
// The same with `history` in place of the Splicer's (while an edit runs, the
// Splicer's properties still hold the history from before it).
bool saveProjectState(const std::string& project, const Splicer& splicer,
                      const HistoryFlags& history, std::string& problem);

// Reads the state of `project` into `splicer` (persisted properties and
// history). False with `problem` set when there is no state file, it cannot
// be read, or it does not match the project file as it is now.
bool loadProjectState(const std::string& project, Splicer& splicer, std::string& problem);

// A crop's state, written before its new record takes the project's name:
// PROJECT.clipwright.new, describing the staged record. Once the record is
// in place it takes the state's name (adoptCropState); a crop cut short in
// between leaves it for the next command's adoptCropState.
bool saveStagedCropState(const std::string& project, const Splicer& splicer,
                         const HistoryFlags& history, std::string& problem);
void removeStagedCropState(const std::string& project);
// A staged crop state whose record took the project's name becomes the
// project's state (true); one whose record never did is removed.
bool adoptCropState(const std::string& project);

// Reads the state file as it is, without comparing it with the project: the
// Splicer gets the persisted properties, journal names and history. False
// with `problem` set when there is none or it cannot be read.
bool readProjectState(const std::string& project, Splicer& splicer, std::string& problem);

// Removes the state file (a project that no longer exists has none).
void removeProjectState(const std::string& project);

}  // namespace cw::cli
