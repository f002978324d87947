#pragma once

// A desktop made of fakes for the GUI tests, with the fakes a test drives kept at hand.

#include <memory>

#include "platform/desktop.h"
#include "platform/fake/fake_hotkeys.h"
#include "platform/fake/fake_input.h"
#include "platform/fake/fake_input_source.h"
#include "platform/fake/fake_screen.h"

namespace zorvel::test {

// The pointers stay valid as long as whoever takes `desktop` keeps it.
struct TFakeDesktop {
  TDesktop desktop;
  TFakeHotkeys* hotkeys = nullptr;
  TFakeInput* input = nullptr;
  TFakeInputSource* source = nullptr;
};

inline TFakeDesktop MakeFakeDesktop(int screenWidth, int screenHeight) {
  TFakeDesktop fake;
  auto hotkeys = std::make_unique<TFakeHotkeys>();
  auto input = std::make_unique<TFakeInput>();
  auto source = std::make_unique<TFakeInputSource>();
  fake.hotkeys = hotkeys.get();
  fake.input = input.get();
  fake.source = source.get();
  fake.desktop.hotkeys = std::move(hotkeys);
  fake.desktop.input = std::move(input);
  fake.desktop.recorder = std::move(source);
  fake.desktop.screen = std::make_unique<TFakeScreen>(screenWidth, screenHeight);
  return fake;
}

}  // namespace zorvel::test
