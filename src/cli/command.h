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

// The commands, one file each; main.cpp lists them in its command table.
int RunCheck(const std::vector<std::string>& args);
int RunImport(const std::vector<std::string>& args);
int RunList(const std::vector<std::string>& args);
int RunPlay(const std::vector<std::string>& args);
int RunRecord(const std::vector<std::string>& args);
int RunShow(const std::vector<std::string>& args);

}  // namespace zorvel::cli
