// The clock's segment display for any text, style and control size: pixels round half up and are
// held at the int range, each glyph lays out all its segments lit as its code says, and every
// point on an outline (the curves' control points aside) lies inside a control of any size.
#include <fuzzer/FuzzedDataProvider.h>

#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "core/clockwnd/segment_glyphs.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using namespace horolux;
using fuzz::Check;

int HeldRound(double v) {
    const double r = std::trunc(v + 0.5);
    if (std::isnan(r)) return 0;
    if (r >= INT_MAX) return INT_MAX;
    if (r <= INT_MIN) return INT_MIN;
    return static_cast<int>(r);
}

bool IsLeadByte(unsigned char b) {
    return b >= 0x81 && b <= 0x9F;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const double anyValue = std::bit_cast<double>(in.ConsumeIntegral<std::uint64_t>());
    Check(RoundPixel(anyValue) == HeldRound(anyValue), "half up, truncated, held at the int range");
    const double ordinary = in.ConsumeFloatingPointInRange(-1e9, 1e9);
    Check(RoundPixel(ordinary) == static_cast<int>(ordinary + 0.5), "ordinary pixels as they were");

    std::string text = in.ConsumeRandomLengthString(12);
    const std::uint32_t style = in.ConsumeIntegral<std::uint32_t>();
    const bool leadBytes = in.ConsumeBool();
    const std::string typed = text;
    UpperCaseText(text, leadBytes ? IsLeadByte : nullptr);
    Check(text.size() == typed.size(), "upper-casing keeps the length");
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = typed[i];
        if (leadBytes && IsLeadByte(static_cast<unsigned char>(c))) {
            if (i + 1 < text.size()) Check(text[i + 1] == typed[i + 1], "trail bytes stay");
            Check(text[i] == c, "lead bytes stay");
            ++i;
            continue;
        }
        Check(text[i] == (c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c), "a to z upper-cased");
    }

    const std::vector<Glyph> glyphs = BuildGlyphs(text, style);
    std::size_t withGlyph = 0, segments = 0;
    int units = 0;
    for (char c : text) {
        const auto g = MakeGlyph(c, style);
        if (!g) continue;
        Check(glyphs.at(withGlyph).code == g->code && glyphs[withGlyph].kind == g->kind,
              "glyphs in the text's order");
        ++withGlyph;
        segments += static_cast<std::size_t>(g->segmentCount);
        units += g->width;
    }
    Check(glyphs.size() == withGlyph, "one glyph per character that has one");
    Check(TotalWidth(glyphs) == units, "the row's width in units");

    const bool anySize = in.ConsumeBool();
    const int width = anySize ? in.ConsumeIntegral<int>() : in.ConsumeIntegralInRange(0, 4000);
    const int height = anySize ? in.ConsumeIntegral<int>() : in.ConsumeIntegralInRange(0, 4000);
    const GlyphRowPlacement place =
        PlaceGlyphRow(units, width, height, style & kSegmentProportional);
    if (units > 0 && width >= 0 && height >= 0) {
        const double slack = 1e-6 * (static_cast<double>(width) + height + 1);
        Check(place.left >= -slack && place.top >= -slack &&
                  place.left + units * place.scaleX <= width + slack &&
                  place.top + kGlyphHeight * place.scaleY <= height + slack,
              "the glyph row fits the control");
    }

    const std::vector<SegmentPath> paths = LayOutSegments(glyphs, width, height, style);
    Check(paths.size() == segments, "every segment of every glyph is laid out");
    std::size_t at = 0;
    for (const Glyph& g : glyphs) {
        for (int i = 0; i < g.segmentCount; ++i, ++at) {
            const SegmentPath& path = paths[at];
            Check(path.lit == g.Lit(i), "a segment is lit as the glyph's code says");
            Check(!path.points.empty() && path.points.front().op == PathOp::kMoveTo,
                  "a segment's path starts with a move");
            if (width < 0 || height < 0) continue;
            int bezier = 0;
            for (const PathPoint& p : path.points) {
                // Of three curve points the first two are control points, free to lie outside.
                if (p.op == PathOp::kBezierTo && ++bezier % 3 != 0) continue;
                Check(p.x >= 0 && p.x <= width && p.y >= 0 && p.y <= height,
                      "an outline's points lie inside the control");
            }
        }
    }
    return 0;
}
