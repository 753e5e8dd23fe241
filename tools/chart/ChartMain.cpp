// Writes the layout's chart as SVG: urdu_phonetic_chart OUTPUT.svg
#include <cstdio>
#include <fstream>

#include "tools/chart/LayoutChart.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: urdu_phonetic_chart OUTPUT.svg\n");
    return 2;
  }
  std::ofstream out(argv[1], std::ios::binary);
  out << layout::RenderChartSvg();
  out.close();
  if (!out) {
    std::fprintf(stderr, "urdu_phonetic_chart: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
