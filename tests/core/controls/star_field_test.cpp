#include "core/controls/star_field.h"

#include <gtest/gtest.h>

#include <climits>

namespace horolux {
namespace {

TEST(StarField, StarsComeFromThreeNumbersInOrder) {
    EXPECT_EQ(StarFrom(0, 0, 0), (Star{-512, -512, -256}));
    EXPECT_EQ(StarFrom(1024, 2051, 513), (Star{512, -511, -256}));
    StarRandom random(7), replay(7), other(8);
    const std::vector<Star> field = NewStarField(random);
    ASSERT_EQ(field.size(), 100u);
    for (const Star& s : field) {
        const int rx = replay.Next(), ry = replay.Next(), rz = replay.Next();
        EXPECT_EQ(s, StarFrom(rx, ry, rz));
    }
    EXPECT_NE(NewStarField(other), field) << "another seed, another sky";
}

TEST(StarField, StepsWrapIntoTheBoxBeforeDrawing) {
    const struct {
        int z, speed, after;
    } cases[] = {
        {0, 30, -30},       {-225, 30, -255},  // −255 is still in the box
        {-226, 30, 255},    {-256, 0, 255},    // −256 and beyond wrap to the back
        {256, 0, -255},     {250, -10, -255},  // past the back wraps to the front
        {0, INT_MIN, -255}, {0, INT_MAX, 255},
    };
    for (const auto& c : cases) {
        Star s{1, 2, c.z};
        StepStar(s, c.speed);
        EXPECT_EQ(s, (Star{1, 2, c.after})) << "z " << c.z << " speed " << c.speed;
    }
}

TEST(StarField, GreyAndProjection) {
    const struct {
        int z, grey;
    } greys[] = {{0, 255}, {255, 0}, {-1, 0}, {-255, 254}, {128, 127}, {-128, 127}};
    for (const auto& g : greys) EXPECT_EQ(StarGrey(g.z), g.grey) << g.z;

    const struct {
        Star star;
        StarDot dot;
    } cases[] = {
        {{100, -50, 0}, {239, 81, 255}},            // 10000 / 256 = 39, −5000 / 256 = −19
        {{-3, 3, 0}, {199, 101, 255}},              // −300 / 256 is −1 towards zero, not −2
        {{512, -512, -255}, {51400, -51100, 254}},  // divisor 1
        {{-512, 512, 244}, {98, 202, 11}},
    };
    for (const auto& c : cases) EXPECT_EQ(ProjectStar(c.star, 400, 200), c.dot) << c.star.x;
}

TEST(Credits, LinesAreCentredStackedAndFadeTowardsTheTop) {
    const std::vector<TextExtent> lines = {{100, 20}, {0, 20}, {51, 20}};
    const struct {
        int scroll;
        bool drawn[3];
        int grey[3];
        bool restart;
    } cases[] = {
        {250, {true, true, true}, {250, 255, 255}, false},
        {0, {false, true, true}, {0, 20, 40}, false},
        {-39, {false, false, true}, {0, 0, 1}, false},
        {-40, {false, false, false}, {0, 0, 0}, true},  // the last top reaches the edge
    };
    for (const auto& c : cases) {
        const CreditFrame frame = PlaceCredits(c.scroll, lines, 200);
        EXPECT_EQ(frame.restart, c.restart) << c.scroll;
        for (int i = 0; i < 3; ++i) {
            const CreditPlacement& p = frame.lines[static_cast<size_t>(i)];
            EXPECT_EQ(p.y, c.scroll + 20 * i);
            EXPECT_EQ(p.drawn, c.drawn[i]) << c.scroll << " line " << i;
            EXPECT_EQ(p.drawn ? p.grey : 0, c.grey[i]) << c.scroll << " line " << i;
        }
    }
    const CreditFrame frame = PlaceCredits(250, lines, 200);
    EXPECT_EQ(frame.lines[2].x, 75) << "200 / 2 − 51 / 2";
    EXPECT_FALSE(PlaceCredits(-100, {}, 200).restart) << "no lines, no last line";
    EXPECT_EQ(PlaceCredits(INT_MAX, lines, 200).lines[2].y, INT_MAX) << "no overflow";
}

TEST(Credits, TheCrawlEntersAtTheBottomAndRestartsOnceTheLastLineIsUp) {
    // The about box under Wine: 18 lines of 23 pixels, a 207-pixel area, 3 pixels a frame.
    const int height = 207, step = 3;
    const std::vector<TextExtent> lines(18, TextExtent{80, 23});
    int scroll = height, frames = 0;
    EXPECT_EQ(PlaceCredits(scroll, lines, 353).lines[0].y, height) << "enters at the bottom";
    for (;; ++frames) {
        const CreditFrame frame = PlaceCredits(scroll, lines, 353);
        ASSERT_EQ(frame.restart, scroll + 17 * 23 <= 0) << "frame " << frames;
        scroll = NextScroll(scroll, frame.restart, height, step);
        if (frame.restart) break;
        ASSERT_LT(frames, 1000);
    }
    EXPECT_EQ(frames, (207 + 393) / 3) << "down past −391 in steps of 3";
    EXPECT_EQ(scroll, height - step) << "the crawl starts again from the bottom";
    EXPECT_EQ(NextScroll(INT_MIN + 1, false, 0, 5), INT_MIN) << "no overflow";
}

TEST(Perspective, RowsNarrowTowardsTheTopAndStayCentred) {
    const struct {
        int row, width, height;
        RowSpan span;
    } cases[] = {
        {0, 400, 200, {200, 0}},   {100, 400, 200, {100, 200}},
        {199, 400, 200, {1, 398}}, {1, 7, 3, {2, 2}},  // 2.33 cut to 2
        {2, 7, 3, {1, 4}},                             // 4.67 cut to 4
        {5, 400, 0, {0, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PerspectiveRow(c.row, c.width, c.height), c.span) << c.row << "/" << c.height;
}

TEST(VersionInformation, FirstTranslationAndStringPath) {
    const std::uint8_t english[] = {0x09, 0x04, 0xB0, 0x04, 0x07, 0x04, 0xE4, 0x04};
    const auto t = FirstTranslation(english, sizeof english);
    ASSERT_TRUE(t);
    EXPECT_EQ(StringFileInfoPath(*t, "PrivateBuild"), "\\StringFileInfo\\040904b0\\PrivateBuild");
    EXPECT_EQ(StringFileInfoPath({0xABCD, 0x1}, "X"), "\\StringFileInfo\\abcd0001\\X");
    EXPECT_FALSE(FirstTranslation(english, 3)) << "no whole pair";
    EXPECT_FALSE(FirstTranslation(nullptr, 4));
}

}  // namespace
}  // namespace horolux
