// Mending a project whose last change was cut short (a crash, a kill, a
// power cut): the engine rolls the project back or forward from its intent
// record and journals, and the project's state file is brought in line with
// the result. Every command that changes a project runs this first;
// `clipwright-cli recover PROJECT` runs it alone.
#pragma once

#include <string>

#include "engine/edit/recovery.h"

namespace cw::cli {

// True when the project is mended or needed nothing; false with `problem`
// when it could not be mended or its state could not be brought in line.
bool recoverProject(const std::string& project, RecoveryResult& result, std::string& problem);

}  // namespace cw::cli
