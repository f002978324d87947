#pragma once

#include <string>

namespace zorvel {

// Path of the running executable (/proc/self/exe); empty when it cannot be read.
std::string ExecutablePath();

// Picks the program folder. A non-empty `folderOption` (from --folder DIR) wins and must name an
// existing directory. Otherwise the executable's folder is used when it is writable and is not
// an installed program's bin folder (one with ../share/zorvel beside it), else
// $XDG_DATA_HOME/zorvel (default ~/.local/share/zorvel). When that folder does not exist yet it is
// created holding copies of the installed example macros (../share/zorvel/examples), so the
// examples arrive once and a user's later changes are never overwritten. Throws Error when no
// usable folder can be found or created; a failed first start leaves no folder behind.
std::string ResolveProgramFolder(const std::string& executablePath,
                                 const std::string& folderOption = {});

}  // namespace zorvel
