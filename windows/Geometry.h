#pragma once

#include <cstdint>

// Lengths as the window designs give them: twips, 1/1440 inch.
struct TwipsRect {
  int left;
  int top;
  int width;
  int height;
};
struct TwipsPoint {
  int x;
  int y;
};
struct PixelRect {
  int left;
  int top;
  int width;
  int height;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The one conversion from twips to device pixels at a given DPI, rounded to nearest as
// MulDiv does. At 96 DPI, 15 twips make a pixel.
constexpr int TwipsToPixels(int twips, int dpi) {
  const std::int64_t product = static_cast<std::int64_t>(twips) * dpi;
  const std::int64_t half = product >= 0 ? 720 : -720;
  return static_cast<int>((product + half) / 1440);
}

constexpr PixelRect ToPixels(const TwipsRect& r, int dpi) {
  // Edges are converted, not sizes, so that neighbouring controls never overlap or gap.
  const int left = TwipsToPixels(r.left, dpi);
  const int top = TwipsToPixels(r.top, dpi);
  return {left, top, TwipsToPixels(r.left + r.width, dpi) - left,
          TwipsToPixels(r.top + r.height, dpi) - top};
}

// Colours as the designs give them: red, green, blue.
struct Rgb {
  std::uint8_t r;
  std::uint8_t g;
  std::uint8_t b;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};
