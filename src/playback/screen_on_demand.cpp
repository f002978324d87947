#include "playback/screen_on_demand.h"

namespace zorvel {

bool TScreenOnDemand::Opened() const {
  std::lock_guard<std::mutex> lock(FMutex);
  return FScreen != nullptr;
}

IScreen& TScreenOnDemand::Screen() {
  std::lock_guard<std::mutex> lock(FMutex);
  if (!FScreen) FScreen = FOpen();
  return *FScreen;
}

}  // namespace zorvel
