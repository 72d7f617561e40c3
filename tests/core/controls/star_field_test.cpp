#include "core/controls/star_field.h"

#include <gtest/gtest.h>

#include <climits>

namespace horolux {
namespace {

TEST(StarField, StarsComeFromThreeNumbersInOrder) {
    const struct {
        int rx, ry, rz;
        Star star;
    } cases[] = {
        {0, 0, 0, {-512, -512, -256}},
        {1024, 1025, 512, {512, -512, 256}},
        {2051, 513, 513, {-511, 1, -256}},
        {INT_MAX,
         INT_MAX,
         INT_MAX,
         {INT_MAX % 1025 - 512, INT_MAX % 1025 - 512, INT_MAX % 513 - 256}},
    };
    for (const auto& c : cases) EXPECT_EQ(StarFrom(c.rx, c.ry, c.rz), c.star) << c.rx;

    StarRandom random(7), replay(7);
    const std::vector<Star> field = NewStarField(random);
    ASSERT_EQ(field.size(), 100u);
    for (const Star& s : field) {
        const int rx = replay.Next(), ry = replay.Next(), rz = replay.Next();
        EXPECT_EQ(s, StarFrom(rx, ry, rz));
    }
    StarRandom other(8);
    EXPECT_NE(NewStarField(other), field) << "another seed, another field";
}

TEST(StarField, StepsWrapIntoTheBoxBeforeDrawing) {
    const struct {
        int z, speed, after;
    } cases[] = {
        {0, 30, -30},      {-225, 30, -255},    // −255 is still in the box
        {-226, 30, 255},   {-256, 0, 255},      // −256 and beyond wrap to the back
        {256, 0, -255},    {250, -10, -255},    // past the back wraps to the front
        {255, 0, 255},     {0, INT_MIN, -255},  // no overflow with extreme speeds
        {0, INT_MAX, 255}, {-255, INT_MAX, 255},
    };
    for (const auto& c : cases) {
        Star s{1, 2, c.z};
        StepStar(s, c.speed);
        EXPECT_EQ(s.z, c.after) << "z " << c.z << " speed " << c.speed;
        EXPECT_EQ(s.x, 1);
    }
    // Whatever the speed, a stepped star can be projected: z + 256 is never 0.
    StarRandom random(3);
    std::vector<Star> field = NewStarField(random);
    for (int speed : {1, 20, 30, 255, 256, 511, 512, -1, -30, -512}) {
        for (int frame = 0; frame < 60; ++frame) {
            for (Star& s : field) {
                StepStar(s, speed);
                ASSERT_GE(s.z, -255) << speed;
                ASSERT_LE(s.z, 255) << speed;
            }
        }
    }
}

TEST(StarField, GreyIsTheLowByteOf255MinusZ) {
    const struct {
        int z, grey;
    } cases[] = {{0, 255}, {255, 0}, {-1, 0}, {-255, 254}, {128, 127}, {-128, 127}, {1, 254}};
    for (const auto& c : cases) EXPECT_EQ(StarGrey(c.z), c.grey) << c.z;
}

TEST(StarField, ProjectionDividesTowardsZeroAroundTheCentre) {
    const struct {
        Star star;
        StarDot dot;
    } cases[] = {
        {{100, -50, 0}, {239, 81, 255}},  // 10000 / 256 = 39, −5000 / 256 = −19
        {{-3, 3, 0}, {199, 101, 255}},    // −300 / 256 is −1 towards zero, not −2
        {{0, 0, 255}, {200, 100, 0}},
        {{512, -512, -255}, {51400, -51100, 254}},  // divisor 1: far outside the area
        {{-512, 512, 244}, {98, 202, 11}},          // −51200 / 500 = −102
    };
    for (const auto& c : cases) EXPECT_EQ(ProjectStar(c.star, 400, 200), c.dot) << c.star.x;
    EXPECT_EQ(ProjectStar({10, 10, 0}, 401, 201), (StarDot{203, 103, 255})) << "odd sizes";
}

TEST(Credits, LinesAreCentredStackedAndFadeTowardsTheTop) {
    const std::vector<TextExtent> lines = {{100, 20}, {0, 20}, {51, 20}};
    const struct {
        int scroll;
        bool drawn[3];
        int y[3];
        int grey[3];
        bool restart;
    } cases[] = {
        {250, {true, true, true}, {250, 270, 290}, {250, 255, 255}, false},
        {256, {true, true, true}, {256, 276, 296}, {255, 255, 255}, false},
        {0, {false, true, true}, {0, 20, 40}, {0, 20, 40}, false},
        {-39, {false, false, true}, {-39, -19, 1}, {0, 0, 1}, false},
        {-40, {false, false, false}, {-40, -20, 0}, {0, 0, 0}, true},  // last top at the edge
        {-500, {false, false, false}, {-500, -480, -460}, {0, 0, 0}, true},
    };
    for (const auto& c : cases) {
        const CreditFrame frame = PlaceCredits(c.scroll, lines, 200);
        ASSERT_EQ(frame.lines.size(), 3u);
        EXPECT_EQ(frame.restart, c.restart) << c.scroll;
        for (int i = 0; i < 3; ++i) {
            const CreditPlacement& p = frame.lines[static_cast<size_t>(i)];
            EXPECT_EQ(p.drawn, c.drawn[i]) << c.scroll << " line " << i;
            EXPECT_EQ(p.y, c.y[i]) << c.scroll << " line " << i;
            if (p.drawn) {
                EXPECT_EQ(p.grey, c.grey[i]) << c.scroll << " line " << i;
            }
        }
    }
    const CreditFrame frame = PlaceCredits(250, lines, 200);
    EXPECT_EQ(frame.lines[0].x, 50);
    EXPECT_EQ(frame.lines[1].x, 100);
    EXPECT_EQ(frame.lines[2].x, 75) << "200 / 2 − 51 / 2";
    EXPECT_TRUE(PlaceCredits(0, {}, 200).lines.empty());
    EXPECT_FALSE(PlaceCredits(-100, {}, 200).restart) << "no lines, no last line";
}

TEST(Credits, TheCrawlEntersAtTheBottomAndRestartsOnceTheLastLineIsUp) {
    // The about box: 18 lines, 3 pixels a frame; the area and the line height as under Wine.
    const int height = 207, width = 353, step = 3, lineHeight = 23;
    const std::vector<TextExtent> lines(18, TextExtent{80, lineHeight});
    int scroll = height;
    const CreditFrame first = PlaceCredits(scroll, lines, width);
    EXPECT_EQ(first.lines[0].y, height) << "the first line starts at the bottom edge";
    EXPECT_TRUE(first.lines[0].drawn);

    int frames = 0;
    for (;; ++frames) {
        const CreditFrame frame = PlaceCredits(scroll, lines, width);
        const int lastTop = scroll + 17 * lineHeight;
        ASSERT_EQ(frame.restart, lastTop <= 0) << "frame " << frames;
        scroll = NextScroll(scroll, frame.restart, height, step);
        if (frame.restart) break;
        ASSERT_LT(frames, 1000);
    }
    // From 207 down past −391 in steps of 3: the restart comes on the frame at −393.
    EXPECT_EQ(frames, (207 + 393) / 3);
    EXPECT_EQ(scroll, height - step) << "the crawl starts again from the bottom";
}

TEST(Credits, NextScrollStepsAndNeverOverflows) {
    EXPECT_EQ(NextScroll(100, false, 225, 3), 97);
    EXPECT_EQ(NextScroll(-495, true, 225, 3), 222);
    EXPECT_EQ(NextScroll(100, false, 225, -2), 102);
    EXPECT_EQ(NextScroll(INT_MIN + 1, false, 0, 5), INT_MIN);
    EXPECT_EQ(NextScroll(INT_MAX, false, 0, -5), INT_MAX);
    const CreditFrame far = PlaceCredits(INT_MAX, {{10, 30}, {10, 30}}, 100);
    EXPECT_EQ(far.lines[1].y, INT_MAX);
    EXPECT_EQ(far.lines[1].grey, 255);
}

TEST(Perspective, RowsNarrowTowardsTheTopAndStayCentred) {
    const struct {
        int row, width, height;
        RowSpan span;
    } cases[] = {
        {0, 400, 200, {200, 0}},   {100, 400, 200, {100, 200}},
        {199, 400, 200, {1, 398}}, {1, 7, 3, {2, 2}},  // 2.33 cut to 2
        {2, 7, 3, {1, 4}},                             // 4.67 cut to 4
        {5, 400, 0, {0, 0}},       {5, 0, 200, {0, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PerspectiveRow(c.row, c.width, c.height), c.span)
            << c.row << " of " << c.width << "x" << c.height;
}

TEST(VersionInformation, FirstTranslationAndStringPath) {
    const std::uint8_t english[] = {0x09, 0x04, 0xB0, 0x04, 0x07, 0x04, 0xE4, 0x04};
    const auto t = FirstTranslation(english, sizeof english);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->language, 0x0409);
    EXPECT_EQ(t->codePage, 0x04B0);
    EXPECT_EQ(StringFileInfoPath(*t, "PrivateBuild"), "\\StringFileInfo\\040904b0\\PrivateBuild");
    EXPECT_EQ(StringFileInfoPath({0xABCD, 0x1}, "PrivateBuild"),
              "\\StringFileInfo\\abcd0001\\PrivateBuild");
    EXPECT_FALSE(FirstTranslation(english, 3)) << "no whole pair";
    EXPECT_FALSE(FirstTranslation(nullptr, 4));
}

}  // namespace
}  // namespace horolux
