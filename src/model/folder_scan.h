#pragma once

#include <string>

#include "model/action_ctrl.h"

namespace zorvel {

// The text after the last "." of `path` when no separator ("/", "\" or ":") follows it; empty
// otherwise (also when the path ends with the "."). The "." is not part of the result.
std::string ExtensionOf(const std::string& path);

// Whether a file of this name is looked at by the scan: its extension, in upper case, contains
// "XML" (a.xml, a.XmL, a.xmlold).
bool IsMacroCandidateName(const std::string& path);

// Every macro document of `folder`, in directory order. Directories and other non-regular
// entries are skipped; files that are not macro documents or hold a bad value are left out
// silently. An unreadable folder gives an empty list.
TActionsList ScanMacroFolder(TXMLDocument& document, const std::string& folder);

// Why the scan would leave the file at `path` out, as one line; empty when it would be listed.
// On success `macro` holds the loaded macro.
std::string ExamineMacroFile(TActionCtrl& macro, const std::string& path);

}  // namespace zorvel
