#include "core/controls/shade.h"

#include <gtest/gtest.h>

#include <set>

namespace horolux {
namespace {

TEST(SoftBumpRelief, ThreeByTwoButtonTerms) {
    // Rows count from the bottom: j = 0 is the bottom row, j = 1 the top one.
    EXPECT_EQ(SoftBumpA(0, 2), -127);
    EXPECT_EQ(SoftBumpA(1, 2), 0);
    const struct {
        int i;
        int b;
    } columns[] = {{0, 128}, {1, 43}, {2, -42}};
    for (const auto& c : columns) EXPECT_EQ(SoftBumpB(c.i, 3), c.b) << "column " << c.i;
}

TEST(SoftBumpRelief, CubeTruncatesTowardsZeroAtEachStep) {
    const struct {
        int t;
        int cube;
    } cases[] = {
        {0, 0},    {1, 0},       {-1, 0},    {43, 4},    {-42, -4},
        {100, 61}, {-127, -125}, {127, 125}, {128, 128},
    };
    for (const auto& c : cases) EXPECT_EQ(SoftBumpCube(c.t), c.cube) << c.t;
}

TEST(SoftBumpRelief, ThreeByTwoButtonValues) {
    // v = (cube(a) + cube(b)) × (128 − 8) / 128 + 128, held within 8..247; cube(−127) = −125,
    // cube(0) = 0, cube(128) = 128, cube(43) = 4, cube(−42) = −4.
    const struct {
        int i, j, v;
    } cases[] = {
        {0, 0, 130},  // (−125 + 128) × 120 / 128 = 2
        {1, 0, 15},   // (−125 + 4) × 120 / 128 = −113
        {2, 0, 8},    // (−125 − 4) × 120 / 128 = −120
        {0, 1, 247},  // 128 × 120 / 128 = 120: 248, held at 247
        {1, 1, 131},  // 4 × 120 / 128 = 3
        {2, 1, 125},  // −4 × 120 / 128 = −3
    };
    for (const auto& c : cases)
        EXPECT_EQ(SoftBumpValue(c.i, c.j, 3, 2, 8), c.v) << "column " << c.i << " row " << c.j;
}

TEST(SoftBumpRelief, ValuesAreHeldBetweenGAndTheTop) {
    // A tall narrow button reaches both ends of the relief; every value stays in 8..247.
    int lowest = 255, highest = 0;
    for (int j = 0; j < 40; ++j)
        for (int i = 0; i < 5; ++i) {
            const int v = SoftBumpValue(i, j, 5, 40, 8);
            lowest = std::min(lowest, v);
            highest = std::max(highest, v);
        }
    EXPECT_EQ(lowest, 8);
    EXPECT_EQ(highest, 247);
}

TEST(GrainedPixel, GrainStaysWithinPlusMinusG) {
    const int v = 100;
    std::set<int> seen;
    for (int r = 0; r <= 32767; ++r) seen.insert(GrainedPixel(v, r, 8));
    EXPECT_EQ(*seen.begin(), v - 8);
    EXPECT_EQ(*seen.rbegin(), v + 8);
    EXPECT_EQ(seen.size(), 17u);
}

TEST(GrainedPixel, HeldValuesNeverLeaveAByte) {
    const struct {
        int v;
        int g;
    } cases[] = {{8, 8}, {247, 8}, {0, 0}, {255, 0}, {100, 100}};
    for (const auto& c : cases)
        for (int r : {0, 1, 16383, 32766, 32767}) {
            const int p = GrainedPixel(c.v, r, c.g);
            EXPECT_GE(p, 0);
            EXPECT_LE(p, 255);
        }
    EXPECT_EQ(GrainedPixel(8, 0, 8), 0);
    EXPECT_EQ(GrainedPixel(247, 32767, 8), 255);
    EXPECT_EQ(GrainedPixel(255, 32767, 0), 255);  // would be 256 unheld
}

TEST(SoftBumpPalette, GreySchemeEntries) {
    const ShadeColours grey{MakeColour(128, 128, 128), MakeColour(192, 192, 192),
                            MakeColour(255, 255, 255)};
    const auto p = SoftBumpPalette(grey);
    const struct {
        int index;
        int value;
    } cases[] = {
        {0, 128}, {64, 160}, {127, 191}, {128, 192}, {255, 255},
    };
    for (const auto& c : cases) {
        const PaletteEntry& e = p[static_cast<std::size_t>(c.index)];
        EXPECT_EQ(e.red, c.value) << "entry " << c.index;
        EXPECT_EQ(e.green, c.value) << "entry " << c.index;
        EXPECT_EQ(e.blue, c.value) << "entry " << c.index;
        EXPECT_EQ(e.reserved, 0);
    }
}

TEST(SoftBumpPalette, ChannelsAreMixedSeparately) {
    const ShadeColours c{MakeColour(0, 64, 128), MakeColour(128, 128, 128),
                         MakeColour(255, 192, 128)};
    const auto p = SoftBumpPalette(c);
    EXPECT_EQ(p[0], (PaletteEntry{128, 64, 0, 0}));  // blue, green, red
    EXPECT_EQ(p[64], (PaletteEntry{128, 96, 64, 0}));
    EXPECT_EQ(p[255], (PaletteEntry{128, 192, 255, 0}));
}

TEST(PaletteImage, CreateLaysOutRowsAndTable) {
    const struct {
        int w, h, bpp, stride, entries;
    } cases[] = {
        {3, 2, 8, 4, 256}, {8, 8, 4, 4, 16},    {9, 1, 4, 8, 16},
        {33, 2, 1, 8, 2},  {64, 3, 8, 64, 256},
    };
    for (const auto& c : cases) {
        PaletteImage img;
        img.Create(c.w, c.h, c.bpp);
        EXPECT_EQ(img.Stride(), c.stride);
        EXPECT_EQ(img.Palette().size(), static_cast<std::size_t>(c.entries));
        EXPECT_EQ(img.Pixels().size(), static_cast<std::size_t>(c.stride * c.h));
    }
    PaletteImage bad;
    bad.Create(4, 4, 24);
    EXPECT_TRUE(bad.Empty());
}

TEST(PaletteImage, SetEntryIgnoresIndexesOutsideTheTable) {
    PaletteImage img;
    img.Create(2, 2, 4);
    img.SetPaletteEntry(15, 1, 2, 3);
    img.SetPaletteEntry(16, 9, 9, 9);
    img.SetPaletteEntry(-1, 9, 9, 9);
    EXPECT_EQ(img.Palette()[15], (PaletteEntry{3, 2, 1, 0}));
    EXPECT_EQ(img.Palette().size(), 16u);
}

TEST(PaletteImage, BlendMovesTowardsTheColour) {
    const struct {
        unsigned percent;
        int expected;
    } cases[] = {
        {0, 100}, {10, 115}, {50, 175}, {100, 250}, {250, 250},
    };
    for (const auto& c : cases) {
        PaletteImage img;
        img.Create(1, 1, 1);
        img.SetPaletteEntry(0, 100, 100, 100);
        img.BlendPalette(MakeColour(250, 250, 250), c.percent);
        EXPECT_EQ(img.Palette()[0].red, c.expected) << c.percent;
    }
}

TEST(BuildSoftBumpFaces, PixelsFollowTheReliefWithGrain) {
    const ShadeColours grey{MakeColour(128, 128, 128), MakeColour(192, 192, 192),
                            MakeColour(255, 255, 255)};
    PaletteImage normal, hover;
    GrainRandom random(7);
    BuildSoftBumpFaces(3, 2, grey, SoftBumpParams{}, random, normal, hover);
    ASSERT_EQ(normal.Width(), 3);
    ASSERT_EQ(normal.BitsPerPixel(), 8);
    // The same seed replays the same grain: pixel = v + r / 2047 − 8.
    GrainRandom replay(7);
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 3; ++i) {
            const int v = SoftBumpValue(i, j, 3, 2, 8);
            const int expected = v + replay.Next() / 2047 - 8;
            EXPECT_EQ(normal.Row(j)[i], expected) << i << "," << j;
            EXPECT_NEAR(normal.Row(j)[i], v, 8);
        }
    // The hover face has the same pixels, its palette 10 % towards white.
    EXPECT_EQ(hover.Pixels(), normal.Pixels());
    EXPECT_EQ(normal.Palette()[0].red, 128);
    EXPECT_EQ(hover.Palette()[0].red, (255 * 10 + 128 * 90) / 100);
    EXPECT_EQ(hover.Palette()[128].red, (255 * 10 + 192 * 90) / 100);
}

TEST(BuildSoftBumpFaces, ColouringMovesTheNormalPalette) {
    const ShadeColours grey{MakeColour(128, 128, 128), MakeColour(192, 192, 192),
                            MakeColour(255, 255, 255)};
    SoftBumpParams params;
    params.colouringPercent = 50;
    params.colour = MakeColour(0, 0, 0);
    PaletteImage normal, hover;
    GrainRandom random;
    BuildSoftBumpFaces(4, 4, grey, params, random, normal, hover);
    EXPECT_EQ(normal.Palette()[255].red, 127);  // 255 halfway to black
    EXPECT_EQ(normal.Palette()[0].red, 64);
}

TEST(GrainRandom, SeedDecidesTheSequenceAndItStaysInRange) {
    GrainRandom a(42), b(42), c(43);
    bool differs = false;
    for (int k = 0; k < 1000; ++k) {
        const int x = a.Next();
        EXPECT_EQ(x, b.Next());
        EXPECT_GE(x, 0);
        EXPECT_LE(x, 32767);
        differs |= x != c.Next();
    }
    EXPECT_TRUE(differs);
    EXPECT_EQ(GrainRandom(1).Next(), 41);  // the classic C library sequence from seed 1
}

}  // namespace
}  // namespace horolux
