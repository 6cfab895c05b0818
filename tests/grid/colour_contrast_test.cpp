// Contrast ratios of text on backgrounds, and the readable choice between a fixed text colour and
// a theme's link colour.
#include "grid/colour_contrast.h"

#include <gtest/gtest.h>

namespace lintaro::grid {
namespace {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kDarkBase{53, 53, 53};    // a dark theme's window colour
constexpr Rgb kDarkLink{42, 130, 218};  // its link colour
constexpr Rgb kPureBlue{0, 0, 255};     // a link colour that a dark theme left as it was
constexpr Rgb kTooltip{255, 255, 220};  // the light theme's tooltip background
constexpr Rgb kButtonFace{240, 240, 240};

TEST(ColourContrastTest, RatiosOfKnownPairs) {
    struct Case {
        Rgb a, b;
        double ratio;
    };
    const Case kCases[] = {
        {kBlack, kWhite, 21.0},
        {kWhite, kBlack, 21.0},  // symmetric
        {kWhite, kWhite, 1.0},
        {kNavy, kWhite, 16.01},
        {kNavy, kDarkBase, 1.305},
        {kDarkLink, kDarkBase, 3.098},
        {kBlack, kApricot, 13.704},
        {kWhite, kApricot, 1.532},
        {{118, 118, 118}, kWhite, 4.542},  // the lightest grey that reads on white
        {{119, 119, 119}, kWhite, 4.478},  // one step lighter: too faint
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message()
                     << int(c.a.red) << "," << int(c.a.green) << "," << int(c.a.blue) << " on "
                     << int(c.b.red) << "," << int(c.b.green) << "," << int(c.b.blue));
        EXPECT_NEAR(ContrastRatio(c.a, c.b), c.ratio, 0.001);
    }
    EXPECT_DOUBLE_EQ(RelativeLuminance(kBlack), 0.0);
    EXPECT_DOUBLE_EQ(RelativeLuminance(kWhite), 1.0);
}

TEST(ColourContrastTest, NavyGivesWayToTheLinkColourOnlyWhereItIsTooFaint) {
    struct Case {
        const char* what;
        Rgb text, background, fallback, expected;
    };
    const Case kCases[] = {
        // Light themes keep navy everywhere the grid draws it.
        {"navy on white cells", kNavy, kWhite, kPureBlue, kNavy},
        {"navy on the tooltip band", kNavy, kTooltip, kPureBlue, kNavy},
        {"navy captions on button face", kNavy, kButtonFace, kPureBlue, kNavy},
        // Dark themes: the link colour reads better.
        {"navy on a dark base", kNavy, kDarkBase, kDarkLink, kDarkLink},
        {"pure blue link still beats navy", kNavy, kDarkBase, kPureBlue, kPureBlue},
        // The border: 4.54 stays, 4.48 gives way.
        {"just readable grey", {118, 118, 118}, kWhite, kBlack, {118, 118, 118}},
        {"just too faint grey", {119, 119, 119}, kWhite, kBlack, kBlack},
        // A fallback that reads even worse is no improvement.
        {"fallback worse than navy", kNavy, kBlack, {10, 10, 10}, kNavy},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ReadableTextColour(c.text, c.background, c.fallback), c.expected);
    }
}

// Marks and toolbar inks keep their colour where it reads and take the nearest readable one of
// the same hue where it does not, on light and dark backgrounds and the bands alike.
TEST(ColourContrastTest, GraphicColoursReachTheReadableContrast) {
    const Rgb kMarks[] = {{0, 110, 0}, {170, 0, 0}, {0, 0, 150}, {0, 90, 200}, {64, 64, 64}};
    const Rgb kBackgrounds[] = {
        kWhite,          kTooltip,        kApricot, kButtonFace,        kDarkBase,
        Rgb{35, 35, 35}, Rgb{63, 63, 54}, kBlack,   Rgb{119, 119, 119}, Rgb{42, 130, 218}};
    for (const Rgb mark : kMarks) {
        for (const Rgb background : kBackgrounds) {
            const Rgb chosen = ReadableGraphicColour(mark, background);
            EXPECT_GE(ContrastRatio(chosen, background), kReadableContrast)
                << int(mark.red) << "," << int(mark.green) << "," << int(mark.blue) << " on "
                << int(background.red) << "," << int(background.green) << ","
                << int(background.blue);
            if (ContrastRatio(mark, background) >= kReadableContrast) EXPECT_EQ(chosen, mark);
        }
    }
    // The light theme's marks stay as drawn; on a dark background they lighten, keeping their hue.
    EXPECT_EQ(ReadableGraphicColour({170, 0, 0}, kWhite), (Rgb{170, 0, 0}));
    const Rgb green_on_dark = ReadableGraphicColour({0, 110, 0}, kDarkBase);
    EXPECT_GT(green_on_dark.green, green_on_dark.red);
    EXPECT_GT(green_on_dark.green, 110);
}

}  // namespace
}  // namespace lintaro::grid
