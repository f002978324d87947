#pragma once

// A recording run timer for the playback tests.

#include <functional>
#include <string>
#include <vector>

#include "platform/fake/fake_input.h"
#include "platform/fake/fake_screen.h"
#include "platform/platform.h"
#include "playback/run_thread.h"

namespace zorvel::test {

<<<<<<< HEAD
// Passes no time: writes "Sleep <ms>" and "Wait <ms>" to the input's transcript and calls
// `onWait` (on the run thread) so that a test can request a stop inside a wait.
=======
// A screen of one colour with pixels set by the test; colours are 0x00BBGGRR.
class TScriptScreen : public IScreen {
 public:
  TScriptScreen(int32_t width, int32_t height, uint32_t background = 0xFFFFFF)
      : size_{width, height}, pixels_(static_cast<size_t>(width) * height, background) {}

  void Set(int32_t x, int32_t y, uint32_t color) { pixels_[Index(x, y)] = color; }
  int captures = 0;
  // Called with the capture's number (from 1) before each capture is copied.
  std::function<void(int capture)> onCapture;

  TSize ScreenSize() override { return size_; }
  bool CaptureRect(int32_t x, int32_t y, int32_t width, int32_t height, uint8_t* pixels,
                   int32_t lineSize) override {
    ++captures;
    if (onCapture) onCapture(captures);
    for (int32_t row = 0; row < height; ++row) {
      uint8_t* line = pixels + static_cast<size_t>(height - 1 - row) * lineSize;
      std::memset(line, 0, lineSize);
      for (int32_t col = 0; col < width; ++col) {
        const int32_t sx = x + col;
        const int32_t sy = y + row;
        if (sx < 0 || sy < 0 || sx >= size_.width || sy >= size_.height) continue;
        const uint32_t c = pixels_[Index(sx, sy)];
        line[col * 3 + 0] = static_cast<uint8_t>(c >> 16);
        line[col * 3 + 1] = static_cast<uint8_t>(c >> 8);
        line[col * 3 + 2] = static_cast<uint8_t>(c);
      }
    }
    return true;
  }
  uint32_t PixelColor(int32_t x, int32_t y) override { return pixels_[Index(x, y)]; }

 private:
  size_t Index(int32_t x, int32_t y) const { return static_cast<size_t>(y) * size_.width + x; }
  TSize size_;
  std::vector<uint32_t> pixels_;
};

// Passes no real time: writes "Sleep <ms>" and "Wait <ms>" to the input's transcript, moves its
// own clock on by `ms` and calls `onWait` (on the run thread) so that a test can request a stop
// inside a wait.
>>>>>>> 6c26c7f (Colour and picture clicks can wait for their target)
class TNoteTimer : public IRunTimer {
 public:
  explicit TNoteTimer(TFakeInput& input) : input_(input) {}
  std::function<void(int32_t ms)> onWait;

  void Sleep(int32_t ms) override {
    now_ += ms;
    input_.Note("Sleep " + std::to_string(ms));
    if (onWait) onWait(ms);
  }
  void Wait(int32_t ms, TStopSignal&) override {
    now_ += ms;
    input_.Note("Wait " + std::to_string(ms));
    if (onWait) onWait(ms);
  }
  int64_t NowMs() override { return now_; }

 private:
  TFakeInput& input_;
  int64_t now_ = 0;
};

}  // namespace zorvel::test
