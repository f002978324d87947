#include <iostream>

#include "cli/cli_common.h"
#include "model/action_text.h"
#include "model/xml_document.h"

namespace zorvel::cli {
namespace {

const CommandSyntax kSyntax{
    "usage: zorvel-cli show NAME|FILE [--folder DIR]\n"
    "Shows the actions of a macro, one line each: number (from 1), type and action, separated\n"
    "by tabs. NAME is a macro name of the folder; FILE a macro document anywhere.\n",
    {},
    1,
    1};

}  // namespace

int RunShow(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done = ParseCommandLine("show", args, kSyntax, parsed)) return *done;
  return RunReporting("show", [&] {
    TXMLDocument document;
    TActionCtrlPtr macro = FindMacro(document, parsed.folder, parsed.positional[0]);
    size_t number = 0;
    for (const auto& action : macro->Actions) {
      std::cout << ++number << "\t" << OneLine(ActionText(*action, "Type")) << "\t"
                << OneLine(ActionText(*action, "Action")) << "\n";
    }
    return kExitOk;
  });
}

}  // namespace zorvel::cli
