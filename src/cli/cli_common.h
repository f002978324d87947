#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command.h"
#include "model/action_ctrl.h"

namespace zorvel::cli {

// An option a command accepts besides --folder DIR and --help.
struct TOptionSyntax {
  std::string name;  // with the dashes: "--name"
  bool takesValue = false;
};

// What a command line asks for once its options are taken out.
struct ParsedArgs {
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;  // "--force" -> "" for a flag
  std::string folder;                          // the macro folder

  bool Has(const std::string& option) const { return options.count(option) > 0; }
  std::string Value(const std::string& option) const;
};

// What --help prints for a command, and the number of operands it takes.
struct CommandSyntax {
  std::string usage;  // "zorvel-cli show NAME|FILE [--folder DIR]\n...explanations..."
  std::vector<TOptionSyntax> options;
  size_t minOperands = 0;
  size_t maxOperands = 0;
};

// Parses `args` against `syntax` and picks the macro folder from --folder (or the default
// rules). Returns an exit code when the command must end here: --help printed the usage (0), a
// usage error was reported on stderr (2), or the folder cannot be used (1). Returns nothing when
// the command should go on with `parsed`.
std::optional<int> ParseCommandLine(const std::string& command,
                                    const std::vector<std::string>& args,
                                    const CommandSyntax& syntax, ParsedArgs& parsed);

// Runs `body`; an Error or other exception escaping it is printed on stderr as
// "zorvel-cli COMMAND: message" and gives exit code 1.
int RunReporting(const std::string& command, const std::function<int()>& body);

// The macro a NAME|FILE operand means. An operand holding "/" is a file path; otherwise the first
// macro of `folder` (in scan order) with that name, and failing that a file of that name in the
// current folder. Throws Error saying what was not found or why the file is refused.
TActionCtrlPtr FindMacro(TXMLDocument& document, const std::string& folder,
                         const std::string& nameOrFile);

// Writes what the desktop backend in use cannot do to stderr, once per process; nothing when all
// works. Call it after opening a part of the desktop.
void PrintDesktopNotice();

// `text` as it may go to a terminal: control characters (C0, DEL and the two-byte UTF-8 forms of
// C1) are written as \xNN, so no document, name or path can drive the terminal.
std::string Printable(std::string_view text);
// Printable, with tabs and line breaks as spaces first, so one record stays on one line.
std::string OneLine(std::string text);

// Flushes standard output; false, with the reason on stderr as "zorvel-cli COMMAND: ...", when
// anything written to it was lost (a full disk, a closed pipe).
bool OutputWritten(const std::string& command);

}  // namespace zorvel::cli
