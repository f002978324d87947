#pragma once

// What zorvel-test-paint-window paints, so that tests know where to look. Colours 0x00RRGGBB,
// positions on the screen (the window has no frame under Xvfb and lands where it is asked).

#include <cstdint>

namespace zorvel::test::paint_scene {

inline constexpr int kWindowX = 1380;  // away from where other test windows go
inline constexpr int kWindowY = 640;
inline constexpr int kWindowWidth = 400;
inline constexpr int kWindowHeight = 300;
inline constexpr uint32_t kBackground = 0x203040;

// A solid block of one colour; no other pixel of the window has it.
inline constexpr uint32_t kBlockColor = 0xC83264;
inline constexpr int kBlockX = 1400;  // screen position of its top-left pixel
inline constexpr int kBlockY = 670;
inline constexpr int kBlockSize = 10;

// A picture of varied pixels.
inline constexpr int kPictureX = 1580;  // screen position of its top-left pixel
inline constexpr int kPictureY = 790;
inline constexpr int kPictureWidth = 37;
inline constexpr int kPictureHeight = 23;

inline uint32_t PicturePixel(int i, int j) {
  const uint32_t r = static_cast<uint32_t>(i * 7 + j * 3 + 40) & 0xFF;
  const uint32_t g = static_cast<uint32_t>((i * 13) ^ (j * 5)) & 0xFF;
  const uint32_t b = static_cast<uint32_t>(i + j * 11 + 90) & 0xFF;
  return (r << 16) | (g << 8) | b;
}

// Colour of a screen pixel inside the window.
inline uint32_t ScenePixel(int x, int y) {
  if (x >= kBlockX && x < kBlockX + kBlockSize && y >= kBlockY && y < kBlockY + kBlockSize) {
    return kBlockColor;
  }
  if (x >= kPictureX && x < kPictureX + kPictureWidth && y >= kPictureY &&
      y < kPictureY + kPictureHeight) {
    return PicturePixel(x - kPictureX, y - kPictureY);
  }
  return kBackground;
}

}  // namespace zorvel::test::paint_scene
