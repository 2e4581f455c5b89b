// The clip table: one ClipRecord per opened clip, filled from the Probe that
// analysed the file, and the moves that keep it dense when clips are deleted.
#pragma once

#include <QString>
#include <memory>

#include "app/shell/editor_session.h"

namespace cw::app {

// The word an analysis answers with: "System", "Videoonly", "Audioonly",
// "Multiple", or "Wrong" for a file the editor cannot use.
QString clipTypeWord(int fileType);

// A declared picture rate as the clip table keeps it: cut (not rounded) to
// three decimals, 30 when the file declares none (-1).
double clipPictureRate(float declared);

// The extension of a file name: the text after its last ".", lower case
// ("a.b.M15" -> "m15"); empty when the name has none.
QString fileExtension(const QString& fileName);

// The folder part of a path, up to and including its last "/".
QString folderOf(const QString& path);

// A record of the file `info` has analysed.
ClipRecord makeClipRecord(const QString& path, const QString& fileName, const QString& extension,
                          std::shared_ptr<Probe> info);

// Index of the first clip opened from `path`; -1 when there is none.
int findClip(const EditorSession& state, const QString& path);

// Removes clip `index`: the later clips move down one place (a file being
// opened meanwhile is added after them), and currentClip and infoWindowClip
// follow their clips (infoWindowClip is -1 when its clip goes).
void removeClipRecord(EditorSession& state, int index);

}  // namespace cw::app
