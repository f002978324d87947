#include <iostream>

#include "cli/cli_common.h"
#include "model/folder_scan.h"
#include "model/xml_document.h"

namespace zorvel::cli {
namespace {

const CommandSyntax kSyntax{
    "usage: zorvel-cli check FILE\n"
    "Says \"ok\" when FILE would be listed as a macro, otherwise why it would be left out.\n"
    "Exit code 0 for ok, 1 otherwise.\n",
    {},
    1,
    1};

}  // namespace

int RunCheck(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done = ParseCommandLine("check", args, kSyntax, parsed)) return *done;
  return RunReporting("check", [&] {
    TXMLDocument document;
    TActionCtrl macro(document, parsed.folder);
    std::string problem = ExamineMacroFile(macro, parsed.positional[0]);
    if (!problem.empty()) {
      std::cout << OneLine(problem) << "\n";
      return kExitFailure;
    }
    std::cout << "ok\n";
    return kExitOk;
  });
}

}  // namespace zorvel::cli
