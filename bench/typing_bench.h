#pragma once

// What the typing benchmarks share: the texts (the 300-character mixed one, 300 ASCII characters,
// two 1,000-character CJK ones), the Qt line edit they are typed into, and one timed run of typing.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support_tool_window.h"

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

inline std::string AsciiText() {
  const std::string piece = "The quick brown fox, 42 times: jumps over the lazy dog! ";
  std::string text;
  for (size_t i = 0; text.size() < 300; ++i) text += piece[i % piece.size()];
  return text;
}

inline std::string Utf8(char32_t cp) {
  return {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
          static_cast<char>(0x80 | (cp & 0x3F))};
}

// 1,000 characters over 300 distinct CJK characters: each once, and 700 more drawn with the
// weights of running text (the n-th most frequent one about 1/n as often as the first), shuffled.
// The same text on every run: the generator and the draws are spelled out here.
inline std::string ChineseText() {
  constexpr size_t kDistinct = 300, kLength = 1000;
  std::mt19937 random(2026);
  std::vector<double> cumulative;
  double total = 0;
  for (size_t n = 1; n <= kDistinct; ++n) cumulative.push_back(total += 1.0 / n);
  std::vector<size_t> picks;
  for (size_t i = 0; i < kDistinct; ++i) picks.push_back(i);
  while (picks.size() < kLength) {
    const double at = total * (random() / (static_cast<double>(std::mt19937::max()) + 1));
    picks.push_back(std::upper_bound(cumulative.begin(), cumulative.end(), at) -
                    cumulative.begin());
  }
  for (size_t i = picks.size() - 1; i > 0; --i) std::swap(picks[i], picks[random() % (i + 1)]);
  std::string text;
  for (size_t pick : picks) text += Utf8(0x4E00 + 7 * pick);  // spread over the block
  return text;
}

// 1,000 characters going round 300 distinct CJK characters in turn.
inline std::string CycleText() {
  std::string text;
  for (size_t i = 0; i < 1000; ++i) text += Utf8(0x4E00 + 7 * (i % 300));
  return text;
}

inline size_t CodePoints(const std::string& text) {
  return std::count_if(text.begin(), text.end(),
                       [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
}

using zorvel::test::TToolWindow;

// Waits until the log of `edit` has more than `count` lines; the new line, or empty after
// `timeout`. Polls far more often than the tests' waits: the time is what is measured.
inline std::string WaitLineAfter(const TToolWindow& edit, size_t count,
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
inline TToolWindow& LineEdit() {
  static TToolWindow edit("zorvel-test-qt-line-edit",
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

// Where an inexact line first departs from the text (bytes around it), to tell lost characters
// from characters typed as others.
inline void ReportDifference(const std::string& line, const std::string& expected) {
  size_t at = 0;
  while (at < line.size() && at < expected.size() && line[at] == expected[at]) ++at;
  const size_t from = at > 12 ? at - 12 : 0;
  std::fprintf(stderr, "not exact from byte %zu (%zu of %zu bytes): got \"%s\" for \"%s\"\n", at,
               line.size(), expected.size(), line.substr(from, 40).c_str(),
               expected.substr(from, 40).c_str());
}

template <class TypeText>
void RunTyping(benchmark::State& state, const std::string& text, TypeText typeText) {
  const double length = static_cast<double>(CodePoints(text));
  const std::string expected = "return \"" + text + "\"";
  TToolWindow& edit = LineEdit();
  std::vector<double> speeds;
  int exact = 0;
  for (auto _ : state) {
    const size_t before = edit.Lines().size();
    const auto start = Clock::now();
    typeText(text);
    const std::string line = WaitLineAfter(edit, before, std::chrono::seconds(30));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(seconds);
    speeds.push_back(length / seconds);
    if (line == expected)
      ++exact;
    else
      ReportDifference(line, expected);
    // Let the line edit settle before the next run.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  std::sort(speeds.begin(), speeds.end());
  state.counters["chars_per_s"] = speeds[speeds.size() / 2];
  state.counters["exact"] = exact;
  state.counters["runs"] = static_cast<double>(speeds.size());
}

// The same with the 300-character mixed text.
template <class TypeText>
void RunTyping(benchmark::State& state, TypeText typeText) {
  RunTyping(state, TypingText(), typeText);
}

}  // namespace zorvel::bench
