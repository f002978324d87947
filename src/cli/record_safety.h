#pragma once

// What keeps a command-line recording from being lost: checks made before it starts, and a
// fallback document when its own cannot be written.

#include <string>

#include "model/action_ctrl.h"

namespace zorvel::cli {

// Throws Error when the document of the macro `name` could not be written into `folder`: its file
// name is too long for the folder's file system, or the folder takes no new files.
void CheckRecordTarget(const std::string& folder, const std::string& name);

// The folder fallback documents go to: $XDG_STATE_HOME/zorvel, or ~/.local/state/zorvel.
std::string FallbackFolder();

// Writes `macro` into FallbackFolder() (created when missing) under a name of its own that no
// earlier fallback has, and returns the document's path. Throws Error when that fails too.
std::string SaveFallback(const TActionCtrl& macro);

}  // namespace zorvel::cli
