#pragma once

// A screen that is opened the first time something asks it anything: a run that never looks at
// the screen opens no connection for it.

#include <functional>
#include <memory>
#include <mutex>

#include "platform/platform.h"

namespace zorvel {

class TScreenOnDemand : public IScreen {
 public:
  // `open` gives the real screen or throws Error; it is called once it has succeeded.
  using TOpener = std::function<std::unique_ptr<IScreen>()>;
  explicit TScreenOnDemand(TOpener open) : FOpen(std::move(open)) {}

  bool Opened() const;

  // IScreen: each call opens the screen first if need be; what the opening throws goes to the
  // caller.
  TSize ScreenSize() override { return Screen().ScreenSize(); }
  bool CaptureRect(int32_t x, int32_t y, int32_t width, int32_t height, uint8_t* pixels,
                   int32_t lineSize) override {
    return Screen().CaptureRect(x, y, width, height, pixels, lineSize);
  }
  bool CaptureFrame(int32_t x, int32_t y, int32_t width, int32_t height,
                    const FrameUse& use) override {
    return Screen().CaptureFrame(x, y, width, height, use);
  }
  void PrepareCapture() override { Screen().PrepareCapture(); }
  uint32_t PixelColor(int32_t x, int32_t y) override { return Screen().PixelColor(x, y); }

 private:
  IScreen& Screen();

  mutable std::mutex FMutex;
  TOpener FOpen;
  std::unique_ptr<IScreen> FScreen;
};

}  // namespace zorvel
