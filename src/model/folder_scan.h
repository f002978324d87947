#pragma once

#include <functional>
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
// The same scan, but a file whose stamp equals that of the macro in `known` loaded from it is not
// read again: that macro itself is listed.
TActionsList RescanMacroFolder(TXMLDocument& document, const std::string& folder,
                               const TActionsList& known);

// Brings `macros` in line with `scanned`, a fresh scan of their folder, and returns whether the
// list changed. Macros are matched by their file: one whose file's stamp is unchanged stays as it
// is; one whose file changed takes the scanned content in place (it stays the same object, so
// whoever refers to it keeps it); one whose file is gone leaves the list; macros of new files are
// appended in scan order. A macro for which `pinned` holds is left as it is and in its place
// whatever happened to its file.
bool MergeRescan(TActionsList& macros, const TActionsList& scanned,
                 const std::function<bool(const TActionCtrl&)>& pinned);

// Why the scan would leave the file at `path` out, as one line; empty when it would be listed.
// On success `macro` holds the loaded macro.
std::string ExamineMacroFile(TActionCtrl& macro, const std::string& path);

}  // namespace zorvel
