#pragma once
// Segment glyphs of the clock's digit display: which characters have a glyph, which segments
// each lights, the segment outlines in the glyph's unit grid, and their placement in pixels for
// a control of a given size. The Win32 side only fills and strokes the paths made here.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/controls/palette_image.h"

namespace horolux {

// Display style bits.
enum SegmentStyle : std::uint32_t {
    kSegmentSmooth = 1,          // curved segment shapes instead of straight polygons
    kSegmentFourteenDigits = 2,  // digits, space and minus as 14-segment glyphs
    kSegmentProportional = 4,    // keep the aspect ratio and centre the glyph row
};

constexpr int kGlyphHeight = 83;  // units; every glyph is this high
constexpr int kSegmentGlyphWidth = 49;
constexpr int kDotGlyphWidth = 18;

enum class GlyphKind { kSevenSegment, kFourteenSegment, kDot };

enum class PointType : std::uint8_t { kMoveTo, kLineTo, kCurve };

struct UnitPoint {
    int x = 0, y = 0;
    PointType type = PointType::kLineTo;
    bool operator==(const UnitPoint&) const = default;
};
using Outline = std::vector<UnitPoint>;

struct Glyph {
    GlyphKind kind = GlyphKind::kSevenSegment;
    int width = 0;           // units
    std::uint32_t code = 0;  // bit i set: segment i lit
    int segmentCount = 0;
    std::vector<Outline> outlines;  // one per segment, in segment order

    bool Lit(int segment) const { return (code >> segment) & 1u; }
};

// Lit-segment codes; nullopt for a character the glyph kind has no code for.
std::optional<std::uint32_t> SevenSegmentCode(char c);
std::optional<std::uint32_t> FourteenSegmentCode(char c);
std::optional<std::uint32_t> DotCode(char c);

// The outline of one segment of a glyph kind, mirrored where the segment is derived.
Outline SegmentOutline(GlyphKind kind, int segment, bool smooth);

// The glyph for one byte of text in a style, or nullopt when the byte has none (it is skipped
// and takes no space). Letters must already be upper case.
std::optional<Glyph> MakeGlyph(char c, std::uint32_t style);

// Upper-cases a to z in place; with a lead-byte test, the trail byte of a double-byte character
// is left alone (it may look like a lower-case letter).
void UpperCaseText(std::string& text, bool (*isLeadByte)(unsigned char) = nullptr);

// The glyphs of a text, left to right.
std::vector<Glyph> BuildGlyphs(const std::string& text, std::uint32_t style);

int TotalWidth(const std::vector<Glyph>& glyphs);

// Where a glyph row of totalUnits × 83 units goes in a control of width × height pixels.
struct GlyphRowPlacement {
    double left = 0, top = 0;       // pixels
    double scaleX = 0, scaleY = 0;  // pixels per unit
};
GlyphRowPlacement PlaceGlyphRow(int totalUnits, int width, int height, bool proportional);

// A pixel path as GDI traces it: three kBezierTo points in a row make one cubic curve (two
// control points, then the end point).
enum class PathOp : std::uint8_t { kMoveTo, kLineTo, kBezierTo };
struct PathPoint {
    int x = 0, y = 0;
    PathOp op = PathOp::kLineTo;
    bool operator==(const PathPoint&) const = default;
};
struct SegmentPath {
    bool lit = false;
    std::vector<PathPoint> points;
};

// Half up, then truncated, as the display rounds a pixel coordinate.
int RoundPixel(double v);

// One outline in pixels inside a glyph cell (unitX, unitY: pixels per unit); runs of curve
// points become fitted cubic curves.
std::vector<PathPoint> OutlineToPixels(const Outline& outline, double cellLeft, double cellTop,
                                       double unitX, double unitY);

// Every segment of a glyph row, left to right and in segment order, placed in the control.
std::vector<SegmentPath> LayOutSegments(const std::vector<Glyph>& glyphs, int width, int height,
                                        std::uint32_t style);

// The outline colour of a segment: a quarter of the background mixed into the segment colour,
// each channel truncated.
Colour SegmentPenColour(Colour background, Colour segment);

// The two inner control points of a cubic curve fitted through samples (first and last are the
// curve's ends; at least three samples).
struct FloatPoint {
    double x = 0, y = 0;
};
void FitCubic(const std::vector<FloatPoint>& samples, FloatPoint& control1, FloatPoint& control2);

}  // namespace horolux
