#include "cli/cli_common.h"

#include <filesystem>

#include <sys/stat.h>
#include <cerrno>
#include <cstring>
#include <iostream>

#include "common/error.h"
#include "common/program_folder.h"
#include "model/folder_scan.h"
#include "platform/desktop.h"

namespace zorvel::cli {
namespace {

const TOptionSyntax kFolderOption{"--folder", true};

const TOptionSyntax* FindOption(const std::vector<TOptionSyntax>& options,
                                const std::string& name) {
  if (name == kFolderOption.name) return &kFolderOption;
  for (const auto& option : options)
    if (option.name == name) return &option;
  return nullptr;
}

int UsageError(const std::string& command, const std::string& message,
               const CommandSyntax& syntax) {
  std::cerr << "zorvel-cli " << command << ": " << Printable(message) << "\n" << syntax.usage;
  return kExitUsage;
}

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

TActionCtrlPtr LoadMacroFile(TXMLDocument& document, const std::string& path) {
  const std::string folder = std::filesystem::path(path).parent_path().string();
  auto macro = std::make_shared<TActionCtrl>(document, folder.empty() ? "." : folder);
  macro->LoadDocumentOrThrow(path);
  return macro;
}

}  // namespace

std::string ParsedArgs::Value(const std::string& option) const {
  auto it = options.find(option);
  return it == options.end() ? std::string() : it->second;
}

std::optional<int> ParseCommandLine(const std::string& command,
                                    const std::vector<std::string>& args,
                                    const CommandSyntax& syntax, ParsedArgs& parsed) {
  bool operandsOnly = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (operandsOnly || arg.empty() || arg[0] != '-' || arg == "-") {
      parsed.positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      operandsOnly = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      std::cout << syntax.usage;
      return kExitOk;
    }
    size_t equals = arg.find('=');
    std::string name = arg.substr(0, equals);
    const TOptionSyntax* option = FindOption(syntax.options, name);
    if (!option) return UsageError(command, "unknown option " + name, syntax);
    if (!option->takesValue) {
      if (equals != std::string::npos) return UsageError(command, name + " takes no value", syntax);
      parsed.options[name] = "";
    } else if (equals != std::string::npos) {
      parsed.options[name] = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      parsed.options[name] = args[++i];
    } else {
      return UsageError(command, name + " needs a value", syntax);
    }
  }
  if (parsed.positional.size() < syntax.minOperands)
    return UsageError(command, "missing operand", syntax);
  if (parsed.positional.size() > syntax.maxOperands)
    return UsageError(command, "too many operands", syntax);
  if (parsed.Has("--folder") && parsed.Value("--folder").empty())
    return UsageError(command, "--folder needs a folder", syntax);
  try {
    parsed.folder = ResolveProgramFolder(ExecutablePath(), parsed.Value("--folder"));
  } catch (const Error& error) {
    std::cerr << "zorvel-cli " << command << ": " << Printable(error.what()) << "\n";
    return kExitFailure;
  }
  return std::nullopt;
}

int RunReporting(const std::string& command, const std::function<int()>& body) {
  int status = kExitFailure;
  try {
    status = body();
  } catch (const std::exception& error) {
    std::cerr << "zorvel-cli " << command << ": " << Printable(error.what()) << "\n";
  }
  if (!OutputWritten(command)) return kExitFailure;
  return status;
}

TActionCtrlPtr FindMacro(TXMLDocument& document, const std::string& folder,
                         const std::string& nameOrFile) {
  if (nameOrFile.find('/') != std::string::npos) return LoadMacroFile(document, nameOrFile);
  TActionsList macros = ScanMacroFolder(document, folder);
  for (const auto& macro : macros)
    if (macro->FName == nameOrFile) return macro;
  if (IsRegularFile(nameOrFile)) return LoadMacroFile(document, nameOrFile);
  throw Error("no macro named \"" + nameOrFile + "\" in " + folder + " and no such file");
}

std::string Printable(std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  auto escape = [](std::string& out, unsigned char byte) {
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
  };
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const bool c1 = byte == 0xC2 && i + 1 < text.size() &&
                    static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(text[i + 1]) <= 0x9F;
    if (c1) {
      escape(out, byte);
      escape(out, static_cast<unsigned char>(text[++i]));
    } else if (byte < 0x20 || byte == 0x7F) {
      escape(out, byte);
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return Printable(text);
}

bool OutputWritten(const std::string& command) {
  errno = 0;
  std::cout.flush();
  if (std::cout.good()) return true;
  const int error = errno;
  std::cerr << "zorvel-cli " << command << ": cannot write the output"
            << (error != 0 ? std::string(": ") + std::strerror(error) : std::string()) << "\n";
  return false;
}

void PrintDesktopNotice() {
  static bool told = false;
  if (told) return;
  told = true;
  const std::string notice = DesktopNotice();
  if (!notice.empty()) std::cerr << "zorvel-cli: " << notice << "\n";
}

}  // namespace zorvel::cli
