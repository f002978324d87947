#include <iostream>

#include "cli/cli_common.h"
#include "model/folder_scan.h"
#include "model/macro_list_text.h"
#include "model/xml_document.h"

namespace zorvel::cli {
namespace {

const CommandSyntax kSyntax{
    "usage: zorvel-cli list [--folder DIR]\n"
    "Lists the macros of the folder in the order the folder holds them, one line each:\n"
    "name, create time, status, start hotkey, stop hotkey, repeat, frequence and schedule time,\n"
    "separated by tabs.\n",
    {},
    0,
    0};

}  // namespace

int RunList(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done = ParseCommandLine("list", args, kSyntax, parsed)) return *done;
  return RunReporting("list", [&] {
    TXMLDocument document;
    for (const auto& macro : ScanMacroFolder(document, parsed.folder)) {
      for (int column = 0; column < kMacroColumnCount; ++column)
        std::cout << (column ? "\t" : "") << OneLine(MacroCellText(*macro, column));
      std::cout << "\n";
    }
    return kExitOk;
  });
}

}  // namespace zorvel::cli
