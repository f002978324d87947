// zorvel-cli: the macro library and playback from a terminal. Each command lives in its own
// cmd_*.cpp file; the table below lists them.

#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "cli/command.h"
#include "common/version.h"
#include "platform/desktop.h"

namespace zorvel::cli {

namespace {

const std::vector<Command> kCommands{
    {"check", "tell whether a file is a valid macro document", RunCheck},
    {"import", "copy a macro document into the folder", RunImport},
    {"list", "list the macros of the folder", RunList},
    {"play", "play a macro on the X display", RunPlay},
    {"record", "record the desktop's input into a macro until Alt+F3 or Ctrl+C", RunRecord},
    {"show", "show the actions of a macro", RunShow},
};

void PrintOverview(std::ostream& out) {
  out << "usage: zorvel-cli COMMAND [ARGUMENTS] [--folder DIR]\n\n"
         "Commands:\n";
  for (const auto& command : kCommands) {
    out << "  " << command.name
        << std::string(command.name.size() < 8 ? 8 - command.name.size() : 1, ' ')
        << command.summary << "\n";
  }
  out << "\n--folder DIR uses DIR as the macro folder instead of the program folder.\n"
         "--backend x11|wayland plays on that desktop backend instead of the one that suits the\n"
         "session (also ZORVEL_BACKEND).\n"
         "zorvel-cli COMMAND --help describes a command; zorvel-cli --version prints the "
         "version.\n";
}

int Dispatch(const std::vector<std::string>& args) {
  if (args.empty()) {
    PrintOverview(std::cerr);
    return kExitUsage;
  }
  const std::string& name = args[0];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintOverview(std::cout);
    return kExitOk;
  }
  if (name == "--version") {
    std::cout << "zorvel-cli " << kVersion << "\n";
    return kExitOk;
  }
  for (const auto& command : kCommands) {
    if (command.name == name)
      return command.run(std::vector<std::string>(args.begin() + 1, args.end()));
  }
  std::cerr << "zorvel-cli: unknown command \"" << Printable(name) << "\"\n\n";
  PrintOverview(std::cerr);
  return kExitUsage;
}

}  // namespace
}  // namespace zorvel::cli

int main(int argc, char** argv) {
  // Dates are written in the user's own short date and long time formats.
  std::setlocale(LC_ALL, "");
  std::vector<std::string> args(argv + 1, argv + argc);
  // --backend NAME holds for every command: taken out here.
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i].rfind("--backend=", 0) == 0) {
      zorvel::RequestBackend(args[i].substr(10));
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i--));
    } else if (args[i] == "--backend" && i + 1 < args.size()) {
      zorvel::RequestBackend(args[i + 1]);
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                 args.begin() + static_cast<std::ptrdiff_t>(i + 2));
      --i;
    }
  }
  return zorvel::cli::Dispatch(args);
}
