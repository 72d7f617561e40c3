#pragma once
// The floating clock's opacity: the percent in force, the layered window's alpha for it, and
// where the transparency slider's thumb goes when the pointer moves.
#include <cstdint>
#include <optional>

namespace horolux {

inline constexpr int kDefaultOpacity = 70;  // percent
inline constexpr int kMinOpacity = 10;
inline constexpr int kMaxOpacity = 100;

// The opacity after a change request: a value below 0 asks for the stored one, 0 keeps the
// current one, anything else is the new one. The result lies in 10..100: a stored value out of
// that range (256 would otherwise wrap to a fully transparent, invisible clock) is brought to the
// nearest end.
int ResolveOpacity(int requested, int current, int stored);

// The layered window's alpha for a percent: values above 100 count as 100, then
// percent × 255 / 100, truncated (70 → 178).
std::uint8_t AlphaFromPercent(std::uint8_t percent);

// The slider position for a pointer at y (slider pixels) while tracking: y itself between the
// thumb's top (included) and the band's bottom (excluded), 100 below, 0 above; nullopt exactly at
// the band's bottom.
std::optional<int> TrackedSliderPosition(int y, int thumbTop, int bandBottom);

}  // namespace horolux
