#include "core/tray/tray_animation.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/tray/tray_tip.h"

namespace horolux {
namespace {

constexpr unsigned kFirst = 151, kLast = 162;
auto Identity = [](unsigned id) { return id; };

std::vector<unsigned> Advance(TrayFrames<unsigned>& frames, int steps) {
    std::vector<unsigned> shown;
    for (int i = 0; i < steps; ++i) shown.push_back(*frames.Next());
    return shown;
}

TEST(TrayFrames, TwelveFramesRunFromTheSecondAndWrapToTheFirst) {
    TrayFrames<unsigned> frames;
    ASSERT_EQ(frames.Set(kFirst, kLast, Identity), FrameListResult::kOk);
    ASSERT_EQ(frames.Size(), 12u);
    const std::vector<unsigned> expected = {152, 153, 154, 155, 156, 157, 158,
                                            159, 160, 161, 162, 151, 152, 153};
    EXPECT_EQ(Advance(frames, 14), expected);
}

TEST(TrayFrames, RestartBeginsTheOrderAgain) {
    TrayFrames<unsigned> frames;
    frames.Set(kFirst, kLast, Identity);
    Advance(frames, 5);
    frames.Restart();
    EXPECT_EQ(frames.Current(), 0);
    EXPECT_EQ(*frames.Next(), 152u);
}

TEST(TrayFrames, SingleFrameAlwaysShowsItself) {
    TrayFrames<unsigned> frames;
    frames.Set(151, 151, Identity);
    EXPECT_EQ(Advance(frames, 3), (std::vector<unsigned>{151, 151, 151}));
}

TEST(TrayFrames, ReversedRangeFailsAndKeepsTheOldFrames) {
    TrayFrames<unsigned> frames;
    frames.Set(kFirst, kLast, Identity);
    Advance(frames, 3);  // now at index 3
    int loads = 0;
    auto counting = [&](unsigned id) {
        ++loads;
        return id;
    };
    EXPECT_EQ(frames.Set(162, 151, counting), FrameListResult::kBadRange);
    EXPECT_EQ(loads, 0);
    ASSERT_EQ(frames.Size(), 12u);
    for (unsigned i = 0; i < 12; ++i) EXPECT_EQ(frames[i], kFirst + i);
    EXPECT_EQ(*frames.Next(), 155u);
}

TEST(TrayFrames, NextWithoutFramesFails) {
    TrayFrames<unsigned> frames;
    EXPECT_FALSE(frames.Next().has_value());
    EXPECT_EQ(frames.Current(), 0);
}

TEST(TrayFrames, NewRangeReplacesTheOldOne) {
    TrayFrames<unsigned> frames;
    frames.Set(kFirst, kLast, Identity);
    ASSERT_EQ(frames.Set(20, 22, Identity), FrameListResult::kOk);
    ASSERT_EQ(frames.Size(), 3u);
    EXPECT_EQ(frames[0], 20u);
    EXPECT_EQ(frames[2], 22u);
}

TEST(TrayFrames, RangeEndingAtTheLargestIdStops) {
    TrayFrames<unsigned> frames;
    ASSERT_EQ(frames.Set(0xFFFFFFFEu, 0xFFFFFFFFu, Identity), FrameListResult::kOk);
    EXPECT_EQ(frames.Size(), 2u);
}

TEST(TrayFrames, RunningOutOfMemoryLeavesNoFrames) {
    TrayFrames<unsigned> frames;
    frames.Set(kFirst, kLast, Identity);
    auto failing = [](unsigned id) {
        if (id == 5) throw std::bad_alloc();
        return id;
    };
    EXPECT_EQ(frames.Set(1, 9, failing), FrameListResult::kOutOfMemory);
    EXPECT_TRUE(frames.Empty());
    EXPECT_FALSE(frames.Next().has_value());
}

TEST(DateTimeDays, CountsFromTheLastDaysOf1899) {
    EXPECT_DOUBLE_EQ(DateTimeDays(1899, 12, 30, 0, 0, 0, 0), 0.0);
    EXPECT_DOUBLE_EQ(DateTimeDays(1900, 1, 1, 0, 0, 0, 0), 2.0);
    EXPECT_DOUBLE_EQ(DateTimeDays(1970, 1, 1, 0, 0, 0, 0), 25569.0);
    EXPECT_DOUBLE_EQ(DateTimeDays(2000, 1, 1, 0, 0, 0, 0), 36526.0);
    EXPECT_DOUBLE_EQ(DateTimeDays(2000, 1, 1, 12, 0, 0, 0), 36526.5);
    EXPECT_DOUBLE_EQ(DateTimeDays(2024, 2, 29, 6, 0, 0, 0) - DateTimeDays(2024, 2, 28, 6, 0, 0, 0),
                     1.0);
    EXPECT_NEAR(DateTimeDays(2026, 12, 7, 0, 0, 1, 500) - DateTimeDays(2026, 12, 7, 0, 0, 0, 0),
                1.5 / 86400.0, 1e-9);
}

double At(double seconds) {
    return DateTimeDays(2026, 12, 7, 10, 0, 0, 0) + seconds / 86400.0;
}

TEST(WholeSecondsBetween, RoundsToTheNearestSecond) {
    const double start = At(0);
    const struct {
        double elapsed;
        long seconds;
    } cases[] = {
        {0.0, 0}, {0.4, 0}, {0.6, 1},   {1.0, 1},       {2.49, 2},  {2.51, 3},
        {3.4, 3}, {3.6, 4}, {59.7, 60}, {3600.2, 3600}, {-1.6, -2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WholeSecondsBetween(start, At(c.elapsed)), c.seconds) << c.elapsed;
}

TEST(AnimationPeriodOver, StopsOnlyOnceMoreThanThePeriodHasPassed) {
    const double start = At(0);
    const struct {
        int period;
        double elapsed;
        bool over;
    } cases[] = {
        {3, 0.0, false}, {3, 3.0, false}, {3, 3.4, false},  // 3 whole seconds: not more than 3
        {3, 3.6, true},  {3, 4.0, true},  {3, 100, true},   {1, 1.4, false},
        {1, 1.6, true},  {0, 100, false}, {-1, 1e6, false},  // no limit
    };
    for (const auto& c : cases)
        EXPECT_EQ(AnimationPeriodOver(start, At(c.elapsed), c.period), c.over)
            << "period " << c.period << " elapsed " << c.elapsed;
}

TEST(CopyTipText, FitsAndAlwaysEndsInNul) {
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"Horolux", "Horolux"},
        {"", ""},
        {std::string(127, 'x'), std::string(127, 'x')},
        {std::string(128, 'y'), std::string(127, 'y')},
        {std::string(300, 'z'), std::string(127, 'z')},
        {"Horolux \nLast sync: a\nNext sync: ", "Horolux \nLast sync: a\nNext sync: "},
    };
    for (const auto& c : cases) {
        char tip[kTrayTipCapacity + 4];
        std::memset(tip, '#', sizeof tip);
        CopyTipText(tip, kTrayTipCapacity, c.in);
        EXPECT_EQ(std::string(tip), c.out);
        EXPECT_EQ(tip[kTrayTipCapacity - 1], '\0');
        EXPECT_EQ(tip[kTrayTipCapacity], '#') << "wrote past the field";
    }
}

}  // namespace
}  // namespace horolux
