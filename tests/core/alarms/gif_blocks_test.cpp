#include "core/alarms/gif_blocks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace horolux {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Repeat(const Bytes& b, int n) {
    Bytes all;
    for (int i = 0; i < n; ++i) all = all + b;
    return all;
}

std::uint8_t Lo(unsigned v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}
std::uint8_t Hi(unsigned v) {
    return static_cast<std::uint8_t>(v >> 8);
}

// Header and logical screen; packed 0x80 | n adds a global table of 3 * 2^(n+1) bytes, unless
// the table is left out to make a broken file.
Bytes Screen(unsigned w, unsigned h, std::uint8_t packed = 0, bool withTable = true) {
    Bytes b{'G', 'I', 'F', '8', '9', 'a', Lo(w), Hi(w), Lo(h), Hi(h), packed, 0, 0};
    if (withTable && (packed & 0x80)) b.resize(b.size() + (3u << ((packed & 7) + 1)), 0x55);
    return b;
}

Bytes Control(unsigned delay, int disposal) {
    return {0x21, 0xF9, 4, static_cast<std::uint8_t>(disposal << 2), Lo(delay), Hi(delay), 0, 0};
}

// An image with one 3-byte data sub-block; packed 0x80 | n adds a local colour table.
Bytes Image(unsigned left, unsigned top, unsigned w, unsigned h, std::uint8_t packed = 0) {
    Bytes b{0x2C, Lo(left), Hi(left), Lo(top), Hi(top), Lo(w), Hi(w), Lo(h), Hi(h), packed};
    if (packed & 0x80) b.resize(b.size() + (3u << ((packed & 7) + 1)), 0x33);
    return b + Bytes{2, 3, 0x44, 0x01, 0x05, 0};
}

const std::string kNetscape = "NETSCAPE2.0";
const Bytes kLoop =
    Bytes{0x21, 0xFF, 11} + Bytes(kNetscape.begin(), kNetscape.end()) + Bytes{3, 1, 0, 0, 0};
const Bytes kComment{0x21, 0xFE, 2, 'h', 'i', 1, '!', 0};
const Bytes kPlainText{0x21, 0x01, 12, 0, 0, 0, 0, 8, 0, 8, 0, 8, 8, 1, 0, 2, 'o', 'k', 0};
const Bytes kTrailer{0x3B};

TEST(GifBlocks, BlockKindsAndLengths) {
    const Bytes withTable = Image(0, 0, 1, 1, 0x87);
    const struct {
        const char* name;
        Bytes bytes;
        GifBlock kind;
        std::size_t length;
    } cases[] = {
        {"application", kLoop, GifBlock::kApplication, 19},
        {"comment", kComment, GifBlock::kComment, 8},
        {"graphic control", Control(10, 2), GifBlock::kGraphicControl, 8},
        {"graphic control with a wrong size byte is still 8",
         Bytes{0x21, 0xF9, 9, 0, 0, 0, 0, 0, 1, 2}, GifBlock::kGraphicControl, 8},
        {"plain text", kPlainText, GifBlock::kPlainText, 19},
        {"image", Image(1, 2, 3, 4), GifBlock::kImage, 16},
        {"image with a local table of 768 bytes", withTable, GifBlock::kImage, 16 + 768},
        {"trailer", kTrailer, GifBlock::kTrailer, 1},
        {"unknown byte", Bytes{0x00, 0x3B}, GifBlock::kUnknown, 0},
        {"unknown extension label", Bytes{0x21, 0x02, 0}, GifBlock::kUnknown, 0},
        {"extension introducer at the end", Bytes{0x21}, GifBlock::kUnknown, 0},
        {"nothing", Bytes{}, GifBlock::kUnknown, 0},
        // Cut off: the step cannot be taken.
        {"graphic control of 7 bytes", Bytes{0x21, 0xF9, 4, 0, 10, 0, 0}, GifBlock::kGraphicControl,
         0},
        {"sub-block longer than the rest", Bytes{0x21, 0xFE, 5, 'a', 'b', 0}, GifBlock::kComment,
         0},
        {"no terminator", Bytes{0x21, 0xFE, 1, 'a'}, GifBlock::kComment, 0},
        {"application head cut", Bytes(kLoop.begin(), kLoop.begin() + 10), GifBlock::kApplication,
         0},
        {"image descriptor of 10 bytes", Bytes{0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0}, GifBlock::kImage,
         0},
        {"local table cut off", Bytes(withTable.begin(), withTable.begin() + 400), GifBlock::kImage,
         0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GifBlockAt(c.bytes, 0), c.kind) << c.name;
        EXPECT_EQ(GifBlockLength(c.bytes, 0), c.length) << c.name;
    }
    EXPECT_EQ(GifBlockLength(kTrailer, 1), 0u) << "past the end";
    EXPECT_EQ(GifBlockLength(kTrailer, 99), 0u) << "far past the end";
}

TEST(GifBlocks, ScreenAndSignature) {
    const struct {
        const char* name;
        Bytes bytes;
        bool gif;
        bool screen;
        unsigned width, height;
        std::size_t table;
    } cases[] = {
        {"no global table", Screen(100, 115), true, true, 100, 115, 0},
        {"table of 2 colours", Screen(1, 2, 0x80), true, true, 1, 2, 6},
        {"table of 256 colours", Screen(0x1234, 0xABCD, 0xF7, false), true, true, 0x1234, 0xABCD,
         768},
        {"12 bytes", Bytes{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0}, true, false, 0, 0, 0},
        {"two letters", Bytes{'G', 'I'}, false, false, 0, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsGifSignature(c.bytes), c.gif) << c.name;
        const auto screen = ReadGifScreen(c.bytes);
        ASSERT_EQ(screen.has_value(), c.screen) << c.name;
        if (!screen || !c.gif) continue;
        EXPECT_EQ(screen->width, c.width) << c.name;
        EXPECT_EQ(screen->height, c.height) << c.name;
        EXPECT_EQ(screen->globalColourTableSize, c.table) << c.name;
        EXPECT_EQ(screen->firstBlock, 13 + c.table) << c.name;
    }
}

struct Want {
    unsigned left, top, width, height;
    int delay, disposal;
    bool plainText = false;
};

TEST(GifBlocks, WalkTakesTheFramesOfWellFormedAndBrokenFiles) {
    const Bytes head = Screen(100, 115, 0x81) + kLoop;
    const Bytes first = Control(10, 1) + Image(0, 0, 100, 115);
    const Bytes second = Control(2, 2) + kComment + Image(5, 6, 7, 8, 0x80);
    const Want wantFirst{0, 0, 100, 115, 10, 1};
    const Want wantSecond{5, 6, 7, 8, 2, 2};
    const Bytes cutImage = Control(3, 0) + Bytes{0x2C, 0, 0, 0, 0, 4, 0, 4, 0, 0, 2, 3, 1};
    const struct {
        const char* name;
        Bytes bytes;
        std::vector<Want> frames;
    } cases[] = {
        {"two frames and a trailer", head + first + second + kTrailer, {wantFirst, wantSecond}},
        {"image without a control extension",
         head + Image(1, 2, 3, 4) + first + kTrailer,
         {{1, 2, 3, 4, -1, 0}, wantFirst}},
        {"comments and loops between frames",
         head + first + kComment + kLoop + second + kTrailer,
         {wantFirst, wantSecond}},
        {"plain text in the image's place",
         head + Control(7, 3) + kPlainText + first + kTrailer,
         {{0, 0, 0, 0, 7, 3, true}, wantFirst}},
        {"disposal takes bits 2 to 4 only",
         head + Bytes{0x21, 0xF9, 4, 0xFF, 1, 1, 0, 0} + Image(0, 0, 1, 1) + kTrailer,
         {{0, 0, 1, 1, 257, 7}}},
        {"missing trailer", head + first + second, {wantFirst, wantSecond}},
        {"last image cut off", head + first + cutImage, {wantFirst}},
        {"trailer between control and image",
         head + first + Control(5, 0) + kTrailer + second,
         {wantFirst}},
        {"unknown block between control and image",
         head + first + Control(5, 0) + Bytes{0x00} + Image(0, 0, 1, 1),
         {wantFirst}},
        {"unknown block ends the walk", head + first + Bytes{0x99} + second, {wantFirst}},
        {"no frame, only the trailer", head + kTrailer, {}},
        {"control extension at the very end", head + first + Control(5, 0), {wantFirst}},
        {"global table longer than the file", Screen(1, 1, 0x87, false) + first, {}},
    };
    for (const auto& c : cases) {
        const Bytes& bytes = c.bytes;
        const auto screen = ReadGifScreen(bytes);
        ASSERT_TRUE(screen) << c.name;
        const std::vector<GifFrame> frames = CollectGifFrames(bytes, *screen);
        EXPECT_EQ(CountGifFrames(bytes, *screen), c.frames.size()) << c.name;
        ASSERT_EQ(frames.size(), c.frames.size()) << c.name;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const GifFrame& f = frames[i];
            const Want& w = c.frames[i];
            EXPECT_EQ(f.left, w.left) << c.name << " #" << i;
            EXPECT_EQ(f.top, w.top) << c.name << " #" << i;
            EXPECT_EQ(f.width, w.width) << c.name << " #" << i;
            EXPECT_EQ(f.height, w.height) << c.name << " #" << i;
            EXPECT_EQ(f.delay, w.delay) << c.name << " #" << i;
            EXPECT_EQ(f.disposal, w.disposal) << c.name << " #" << i;
            EXPECT_EQ(f.plainText, w.plainText) << c.name << " #" << i;
            EXPECT_LT(f.start, f.end) << c.name << " #" << i;
            EXPECT_LE(f.end, bytes.size()) << c.name << " #" << i;
        }
    }
}

TEST(GifBlocks, OneFrameGifsCarryTheScreenTheFramesBytesAndATrailer) {
    const Bytes head = Screen(100, 115, 0x80) + kLoop;  // the loop extension stays out of frames
    const Bytes first = Control(10, 1) + Image(0, 0, 100, 115);
    const Bytes second = Control(2, 2) + kComment + Image(5, 6, 7, 8, 0x81);
    const Bytes third = Image(9, 9, 1, 1);
    const Bytes file = head + first + kComment + second + third + kTrailer;
    const auto screen = ReadGifScreen(file);
    ASSERT_TRUE(screen);
    const std::vector<GifFrame> frames = CollectGifFrames(file, *screen);
    ASSERT_EQ(frames.size(), 3u);
    const Bytes prefix(file.begin(), file.begin() + 19);
    const Bytes want[] = {prefix + first + kTrailer, prefix + second + kTrailer,
                          prefix + third + kTrailer};
    for (std::size_t i = 0; i < 3; ++i) {
        const Bytes gif = BuildFrameGif(file, *screen, frames[i]);
        EXPECT_EQ(gif, want[i]) << "frame " << i;
    }
    GifFrame outside = frames[0];
    outside.end = file.size() + 1;
    EXPECT_TRUE(BuildFrameGif(file, *screen, outside).empty()) << "nothing from past the end";
}

TEST(GifBlocks, HugeFrameCountsStopAtTheLimit) {
    const Bytes frame = Control(0, 0) + Image(0, 0, 1, 1);
    const Bytes file =
        Screen(1, 1) + Repeat(frame, static_cast<int>(kMaxGifFrames) + 500) + kTrailer;
    const auto screen = ReadGifScreen(file);
    ASSERT_TRUE(screen);
    EXPECT_EQ(CountGifFrames(file, *screen), kMaxGifFrames);
    EXPECT_EQ(CollectGifFrames(file, *screen).size(), kMaxGifFrames);
}

}  // namespace
}  // namespace horolux
