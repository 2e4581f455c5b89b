// Analysing a file into the clip table, and the question about a file that is
// already a clip.
#pragma once

#include <QString>

#include "app/shell/editor_session.h"

namespace cw::app {

// The extension text of a clip made from a capture: its file is an "mpg".
inline constexpr const char* kCaptureExtension = "capture";

// Analyses `path` with a Probe of its own and, when it is an MPEG file the
// editor can use, appends its record to the session's clips. Answers "System", "Videoonly",
// "Audioonly" or "Multiple"; for any other file "Wrong", after telling the user (not for a capture)
// and logging the failure.
QString AnalyseClip(EditorSession& state, const QString& path, const QString& fileName,
                    const QString& extension);

// False when `path` is already a clip and the user declines to open it again
// (asked once per clip of that path).
bool CheckIfExists(const EditorSession& state, const QString& path);

// The temporary project is never a source: true (after telling the user) when
// `path` is that file.
bool refuseProjectAsSource(const EditorSession& state, const QString& path);

}  // namespace cw::app
