#pragma once

#include <string>

namespace zorvel {

// Path of the running executable (/proc/self/exe); empty when it cannot be read.
std::string ExecutablePath();

// Picks the program folder. A non-empty `folderOption` (from --folder DIR) wins and must name an
// existing directory. Otherwise the executable's folder is used when it is writable, else
// $XDG_DATA_HOME/zorvel (default ~/.local/share/zorvel), created when missing. Throws Error when
// no usable folder can be found or created.
std::string ResolveProgramFolder(const std::string& executablePath,
                                 const std::string& folderOption = {});

}  // namespace zorvel
