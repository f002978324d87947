#include <sys/stat.h>
#include <iostream>

#include "cli/cli_common.h"
#include "common/atomic_file.h"
#include "common/error.h"
#include "model/xml_document.h"

namespace zorvel::cli {
namespace {

const CommandSyntax kSyntax{
    "usage: zorvel-cli import FILE [--name NAME] [--force] [--folder DIR]\n"
    "Copies the macro document FILE into the macro folder, saved under its macro name (or\n"
    "NAME). An existing macro document of that name is replaced only with --force.\n",
    {{"--name", true}, {"--force", false}},
    1,
    1};

bool PathExists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

int Import(const ParsedArgs& parsed) {
  TXMLDocument document;
  TActionCtrl macro(document, parsed.folder);
  macro.LoadDocumentOrThrow(parsed.positional[0]);
  macro.FFile.clear();  // the copy is a new document of the folder, not the file it came from
  if (parsed.Has("--name")) macro.FName = parsed.Value("--name");
  CheckDocumentName(macro.FName);
  std::string target = macro.DocumentPath();
  if (PathExists(target) && !parsed.Has("--force"))
    throw Error(target +
                " already exists; use --force to replace it or --name to choose another name");
  RemoveLeftoverTemporaryFiles(parsed.folder);
  macro.SaveDocument(parsed.Has("--force") ? TActionCtrl::TOverwrite::Always
                                           : TActionCtrl::TOverwrite::IfUnchanged);
  std::cout << "imported \"" << OneLine(macro.FName) << "\" to " << Printable(target) << "\n";
  return kExitOk;
}

}  // namespace

int RunImport(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done = ParseCommandLine("import", args, kSyntax, parsed)) return *done;
  return RunReporting("import", [&] { return Import(parsed); });
}

}  // namespace zorvel::cli
