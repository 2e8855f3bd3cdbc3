#pragma once

#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "rgba_color.h"

namespace pixmora::model {

enum class ColorMode { twoColor, sixteenColor, webSafe256 };

inline constexpr std::array<ColorMode, 3> allColorModes{ColorMode::twoColor,
                                                        ColorMode::sixteenColor,
                                                        ColorMode::webSafe256};

// The stored name: "twoColor", "sixteenColor", "webSafe256".
std::string_view rawValue(ColorMode mode);
// Exact, case-sensitive match of a stored name; anything else gives nothing.
std::optional<ColorMode> colorModeFromRaw(std::string_view raw);
// The picker title (UTF-8).
std::string_view title(ColorMode mode);
// The mode's ordered, opaque palette (1, 16 or 236 entries). Built once, thread-safe.
const std::vector<RGBAColor>& palette(ColorMode mode);

// The six channel levels of the web-safe cube.
inline constexpr std::array<std::uint8_t, 6> webSafeLevels{0, 51, 102, 153, 204, 255};

// The palette entry nearest to (r, g, b) by squared RGB distance; ties go to the
// lower index. The palette must not be empty. Alpha is not consulted.
RGBAColor nearestPaletteColor(int r, int g, int b, const std::vector<RGBAColor>& palette);
// Same rule, returning the entry's index.
std::size_t nearestPaletteIndex(int r, int g, int b, const std::vector<RGBAColor>& palette);

}  // namespace pixmora::model
