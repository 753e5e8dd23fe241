#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The layout's chart: a picture of a US keyboard with each key's characters, drawn from the
// definition as SVG (converted to PNG by the build for the README and the distribution).

namespace layout {

// One key cap: where it is (in key widths from the top left) and what it shows.
struct ChartKey {
  std::uint16_t scanCode;
  std::string_view caption;  // the Latin legend of a US keyboard
  double column;
  int row;
  double width;
  bool typing;  // shows the layout's characters; otherwise a grey key with its caption
};

// The keys of the main block in rows, as a US keyboard has them.
const std::vector<ChartKey>& ChartKeys();

// How a character is shown on a key cap (UTF-8): marks on a dotted circle, invisible
// characters by their short names, nothing for kNone or a plain space.
std::string ChartLabel(char16_t c);

// The whole chart.
std::string RenderChartSvg();

}  // namespace layout
