// Macro documents: load and save a macro of 100,000 actions (compared with xmllint parsing the
// same file in the same run), scan a folder of 1,000 macros, and base64 of a 10 MB picture
// (compared with a straightforward character-by-character decoder).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/program_folder.h"
#include "model/action_ctrl.h"
#include "model/base64.h"
#include "model/folder_scan.h"
#include "model/xml_document.h"

namespace zorvel {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string MakeFolder(const std::string& name) {
  std::string path = (fs::temp_directory_path() / ("zorvel-bench-" + name)).string();
  fs::remove_all(path);
  fs::create_directories(path);
  return path;
}

TActionPtr SampleAction(int i) {
  auto a = std::make_shared<TActionObj>();
  a->actionType = static_cast<uint8_t>(i % 5);
  a->mouseClickPosX = i % 1920;
  a->mouseClickPosY = i % 1080;
  a->mouseMovePosX = -(i % 640);
  a->mouseMovePosY = i;
  a->key = 0x41 + i % 26;
  a->delay = i * 7;
  a->mousePoint = static_cast<uint8_t>(i % 4);
  a->keyAction = static_cast<uint8_t>(i % 3);
  if (i % 5 == 3) a->typeText = "typed text " + std::to_string(i) + " <&>";
  return a;
}

void FillMacro(TActionCtrl& macro, const std::string& name, int actions) {
  macro.FName = name;
  macro.FCreateTime = "12/08/26";
  macro.Actions.Clear();
  for (int i = 0; i < actions; ++i) macro.Actions.Add(SampleAction(i));
}

// The 100,000-action macro, written once.
struct BigMacro {
  std::string folder = MakeFolder("big");
  TXMLDocument document;
  TActionCtrl macro{document, folder};
  std::string path;
  double xmllintSeconds = 0;

  BigMacro() {
    FillMacro(macro, "Big", 100000);
    macro.SaveDocument();
    path = macro.DocumentPath();
    xmllintSeconds = MedianXmllintSeconds();
  }
  double MedianXmllintSeconds() const {
    std::vector<double> runs;
    std::string command = "xmllint --noout '" + path + "'";
    for (int i = 0; i < 5; ++i) {
      auto start = Clock::now();
      if (std::system(command.c_str()) != 0) return 0;
      runs.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
  }
  static BigMacro& Get() {
    static BigMacro big;
    return big;
  }
};

void SetXmllintCounters(benchmark::State& state, double seconds) {
  double xmllint = BigMacro::Get().xmllintSeconds;
  state.counters["xmllint_ms"] = xmllint * 1000;
  state.counters["ratio_vs_xmllint"] = xmllint > 0 ? seconds / xmllint : 0;
}

void BM_LoadMacro100k(benchmark::State& state) {
  BigMacro& big = BigMacro::Get();
  double total = 0;
  for (auto _ : state) {
    TActionCtrl loaded(big.document, big.folder);
    auto start = Clock::now();
    bool ok = loaded.LoadDocument(big.path);
    total += std::chrono::duration<double>(Clock::now() - start).count();
    if (!ok || loaded.Actions.Count() != 100000) state.SkipWithError("load failed");
  }
  SetXmllintCounters(state, total / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_LoadMacro100k)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaveMacro100k(benchmark::State& state) {
  BigMacro& big = BigMacro::Get();
  double total = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    big.macro.SaveDocument();
    total += std::chrono::duration<double>(Clock::now() - start).count();
  }
  SetXmllintCounters(state, total / static_cast<double>(state.iterations()));
  state.counters["file_MB"] = static_cast<double>(fs::file_size(big.path)) / 1e6;
}
BENCHMARK(BM_SaveMacro100k)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_XmllintParse100k(benchmark::State& state) {
  std::string command = "xmllint --noout '" + BigMacro::Get().path + "'";
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) state.SkipWithError("xmllint failed");
}
BENCHMARK(BM_XmllintParse100k)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ScanFolder1000x100(benchmark::State& state) {
  std::string folder = MakeFolder("scan");
  TXMLDocument document;
  // A macro keeps the file it was saved to: each of the thousand is a macro of its own.
  for (int i = 0; i < 1000; ++i) {
    TActionCtrl macro(document, folder);
    FillMacro(macro, "Macro" + std::to_string(i), 100);
    macro.SaveDocument();
  }
  for (auto _ : state) {
    TActionsList macros = ScanMacroFolder(document, folder);
    if (macros.Count() != 1000) state.SkipWithError("scan missed macros");
  }
  fs::remove_all(folder);
}
BENCHMARK(BM_ScanFolder1000x100)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---------------------------------------------------------------------------------------------
// base64 of a 10 MB picture

const std::vector<uint8_t>& TenMegabytes() {
  static const std::vector<uint8_t> bytes = [] {
    std::vector<uint8_t> b(10 << 20);
    uint32_t x = 12345;
    for (auto& byte : b) byte = static_cast<uint8_t>((x = x * 1103515245 + 12345) >> 16);
    return b;
  }();
  return bytes;
}

// The straightforward decoder: look every character up in the alphabet.
std::vector<uint8_t> NaiveDecode(const std::string& text) {
  static const std::string alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::vector<uint8_t> out;
  uint32_t buffer = 0;
  int bits = 0;
  for (char c : text) {
    if (c == '=') break;
    buffer = (buffer << 6) | static_cast<uint32_t>(alphabet.find(c));
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<uint8_t>(buffer >> bits));
    }
  }
  return out;
}

void BM_DecodeBase64_10MB(benchmark::State& state) {
  std::string text = EncodeBase64Stream(TenMegabytes());
  for (auto _ : state) benchmark::DoNotOptimize(DecodeBase64Stream(text));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_DecodeBase64_10MB)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DecodeBase64_10MB_Naive(benchmark::State& state) {
  std::string text = EncodeBase64Stream(TenMegabytes());
  for (auto _ : state) benchmark::DoNotOptimize(NaiveDecode(text));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_DecodeBase64_10MB_Naive)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EncodeBase64_10MB(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(EncodeBase64Stream(TenMegabytes()));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(TenMegabytes().size()));
}
BENCHMARK(BM_EncodeBase64_10MB)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace zorvel

BENCHMARK_MAIN();
