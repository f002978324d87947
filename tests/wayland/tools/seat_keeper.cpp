// zorvel-test-wayland-seat: keeps one virtual keyboard and one virtual pointer on the seat for as
// long as it runs, so that a headless compositor's seat has both from the start and delivers the
// first key of a test. Prints "ready" once they exist.

#include <unistd.h>

#include <csignal>
#include <iostream>

#include "common/error.h"
#include "platform/wayland/wayland_desktop.h"

int main() {
  try {
    auto input = zorvel::CreateWaylandInput();
    std::cout << "ready" << std::endl;
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    int received = 0;
    sigwait(&signals, &received);
  } catch (const zorvel::Error& error) {
    std::cerr << "zorvel-test-wayland-seat: " << error.what() << std::endl;
    return 1;
  }
  return 0;
}
