#pragma once

// What the typing benchmarks share: the 300-character text, the Qt line edit it is typed into,
// and one timed run of typing it.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "support_tool_process.h"

namespace zorvel::bench {

using Clock = std::chrono::steady_clock;

// 300 characters (code points).
inline std::string TypingText() {
  const std::vector<std::string> pieces = {
      "Grüße ", "é", "ö", "ü", "ß", " ✓ ", "漢", "字", " ä ", "text ", "ABC xyz 123 ", "!?;:", " "};
  std::string text;
  size_t count = 0;
  for (size_t i = 0; count < 300; ++i) {
    const std::string& piece = pieces[i % pieces.size()];
    for (size_t at = 0; at < piece.size() && count < 300;) {
      const auto lead = static_cast<unsigned char>(piece[at]);
      const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      text += piece.substr(at, length);
      at += length;
      ++count;
    }
  }
  return text;
}

using zorvel::test::TToolProcess;

// Waits until the log of `edit` has more than `count` lines; the new line, or empty after
// `timeout`. Polls far more often than the tests' waits: the time is what is measured.
inline std::string WaitLineAfter(const TToolProcess& edit, size_t count,
                                 std::chrono::milliseconds timeout) {
  const auto end = Clock::now() + timeout;
  while (Clock::now() < end) {
    const auto lines = edit.Lines();
    if (lines.size() > count) return lines[count];
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  return {};
}

// The line edit window, started once for every benchmark.
inline TToolProcess& LineEdit() {
  static TToolProcess edit("zorvel-test-qt-line-edit",
                           {"--geometry", "900x60+50+50", "--no-changes", "--clear-on-return"});
  static const bool ready = [] {
    return WaitLineAfter(edit, 0, std::chrono::seconds(20)).rfind("ready", 0) == 0;
  }();
  if (!ready) std::fprintf(stderr, "the line edit did not come up\n");
  return edit;
}

inline std::string ShellQuote(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

template <class TypeText>
void RunTyping(benchmark::State& state, TypeText typeText) {
  const std::string text = TypingText();
  const std::string expected = "return \"" + text + "\"";
  TToolProcess& edit = LineEdit();
  std::vector<double> speeds;
  int exact = 0;
  for (auto _ : state) {
    const size_t before = edit.Lines().size();
    const auto start = Clock::now();
    typeText(text);
    const std::string line = WaitLineAfter(edit, before, std::chrono::seconds(30));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(seconds);
    speeds.push_back(300.0 / seconds);
    if (line == expected) ++exact;
    // Let the line edit settle before the next run.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  std::sort(speeds.begin(), speeds.end());
  state.counters["chars_per_s"] = speeds[speeds.size() / 2];
  state.counters["exact"] = exact;
  state.counters["runs"] = static_cast<double>(speeds.size());
}

}  // namespace zorvel::bench
