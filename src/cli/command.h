#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zorvel::cli {

// Exit codes of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// A subcommand of zorvel-cli. `run` gets the arguments after the command's name.
struct Command {
  std::string name;
  std::string summary;  // one line for the overview
  std::function<int(const std::vector<std::string>& args)> run;
};

// Each command file registers itself with a file-scope CommandRegistrar.
std::vector<Command>& Commands();

struct CommandRegistrar {
  explicit CommandRegistrar(Command command) { Commands().push_back(std::move(command)); }
};

}  // namespace zorvel::cli
