// Every label's text in the font the windows create for it, measured against its box: nothing
// may be cut off at 96 DPI or at 144 DPI, whichever face the system maps a missing font to.
#include <gtest/gtest.h>

#include <string>

#include "platform/Handles_win.h"
#include "windows/LabelSpec.h"
#include "windows/Label_win.h"
#include "windows/frmAboutLayout.h"
#include "windows/frmAboutProgrammerLayout.h"

namespace {

struct Measured {
  std::wstring face;
  int lineHeight;
  RECT extent;
};

// The text laid out as the label lays it out: wrapped at words within the box's width.
Measured Measure(const LabelSpec& label, int dpi) {
  const UniqueFont font = CreateLabelFont(label.font, dpi);
  const ScopedGetDC screen(nullptr);
  const ScopedSelect select(screen.Get(), font.Get());
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(screen.Get(), LF_FACESIZE, face);
  TEXTMETRICW metrics{};
  GetTextMetricsW(screen.Get(), &metrics);
  const std::wstring text = LabelCaption(label);
  RECT extent{0, 0, ToPixels(label.bounds, dpi).width, 0};
  DrawTextW(screen.Get(), text.c_str(), static_cast<int>(text.size()), &extent,
            DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_LEFT);
  return {face, metrics.tmHeight, extent};
}

std::string Describe(const LabelSpec& label, int dpi, const Measured& m) {
  std::string text(label.name.begin(), label.name.end());
  text += "(" + std::to_string(label.index) + ") at " + std::to_string(dpi) + " DPI in ";
  text += std::string(m.face.begin(), m.face.end());
  text += ": " + std::to_string(m.extent.right) + " x " + std::to_string(m.extent.bottom) +
          " in a box of " + std::to_string(ToPixels(label.bounds, dpi).width) + " x " +
          std::to_string(ToPixels(label.bounds, dpi).height);
  return text;
}

void ExpectFits(const LabelSpec& label, int maxLines) {
  for (int dpi : {96, 144}) {
    const Measured m = Measure(label, dpi);
    const PixelRect box = ToPixels(label.bounds, dpi);
    const std::string what = Describe(label, dpi, m);
    std::printf("%s\n", what.c_str());
    EXPECT_LE(m.extent.right, box.width) << what;
    EXPECT_LE(m.extent.bottom, box.height) << what;
    EXPECT_LE(m.extent.bottom, m.lineHeight * maxLines) << what << ": more lines than meant";
  }
}

TEST(LabelFit, TheProgrammersCardKeepsEveryLineWhole) {
  const auto& labels = kfrmAboutProgrammerLabels;
  ExpectFits(labels[0], 1);  // the name
  ExpectFits(labels[1], 1);  // the qualification: one line
  ExpectFits(labels[2], 2);  // the skills: two lines at most
  ExpectFits(labels[3], 1);  // the contact number
  ExpectFits(labels[4], 1);  // the heading
}

TEST(LabelFit, TheAboutWindowKeepsEveryLineWhole) {
  for (const LabelSpec& label : kfrmAboutLabels) {
    ExpectFits(label, label.index == 1 ? 4 : (label.index == 3 ? 2 : 1));
  }
}

TEST(LabelFit, TheLongDescriptionWrapsAtWordsIntoAFewFullLines) {
  const LabelSpec& description = kfrmAboutLabels[2];
  ASSERT_EQ(description.index, 1);
  for (int dpi : {96, 144}) {
    const Measured m = Measure(description, dpi);
    const int lines = m.extent.bottom / m.lineHeight;
    EXPECT_GE(lines, 2) << Describe(description, dpi, m);
    EXPECT_LE(lines, 4) << Describe(description, dpi, m);
    // Lines are filled: the widest comes close to the box, so words are not broken early.
    EXPECT_GT(m.extent.right, ToPixels(description.bounds, dpi).width * 3 / 4);
  }
}

}  // namespace
