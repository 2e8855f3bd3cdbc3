#include "model/color_mode.h"

namespace pixmora::model {

namespace {

constexpr RGBAColor opaque(std::uint32_t rgb)
{
    return {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
            static_cast<std::uint8_t>(rgb), 255};
}

const std::vector<RGBAColor>& twoColorPalette()
{
    static const std::vector<RGBAColor> entries{opaque(0x000000)};
    return entries;
}

const std::vector<RGBAColor>& sixteenColorPalette()
{
    static const std::vector<RGBAColor> entries{
        opaque(0x000000), opaque(0x800000), opaque(0x008000), opaque(0x808000),
        opaque(0x000080), opaque(0x800080), opaque(0x008080), opaque(0xC0C0C0),
        opaque(0x808080), opaque(0xFF0000), opaque(0x00FF00), opaque(0xFFFF00),
        opaque(0x0000FF), opaque(0xFF00FF), opaque(0x00FFFF), opaque(0xFFFFFF),
    };
    return entries;
}

// The 216-colour cube followed by the twenty system colours; some repeat cube
// entries on purpose, and the tie rule keeps the cube's copy winning.
const std::vector<RGBAColor>& webSafePalette()
{
    static const std::vector<RGBAColor> entries = [] {
        std::vector<RGBAColor> list;
        list.reserve(236);
        for (const std::uint8_t r : webSafeLevels) {
            for (const std::uint8_t g : webSafeLevels) {
                for (const std::uint8_t b : webSafeLevels) {
                    list.push_back({r, g, b, 255});
                }
            }
        }
        for (const std::uint32_t rgb : {0x000000u, 0x800000u, 0x008000u, 0x808000u, 0x000080u,
                                        0x800080u, 0x008080u, 0xC0C0C0u, 0xC0DCC0u, 0xA6CAF0u,
                                        0xFFFBF0u, 0xA0A0A4u, 0x808080u, 0xFF0000u, 0x00FF00u,
                                        0xFFFF00u, 0x0000FFu, 0xFF00FFu, 0x00FFFFu, 0xFFFFFFu}) {
            list.push_back(opaque(rgb));
        }
        return list;
    }();
    return entries;
}

}  // namespace

std::string_view rawValue(ColorMode mode)
{
    switch (mode) {
    case ColorMode::twoColor:
        return "twoColor";
    case ColorMode::sixteenColor:
        return "sixteenColor";
    case ColorMode::webSafe256:
        return "webSafe256";
    }
    return {};
}

std::optional<ColorMode> colorModeFromRaw(std::string_view raw)
{
    for (const ColorMode mode : allColorModes) {
        if (rawValue(mode) == raw) {
            return mode;
        }
    }
    return std::nullopt;
}

std::string_view title(ColorMode mode)
{
    switch (mode) {
    case ColorMode::twoColor:
        return "2色（白黒）";
    case ColorMode::sixteenColor:
        return "16色";
    case ColorMode::webSafe256:
        return "256色";
    }
    return {};
}

const std::vector<RGBAColor>& palette(ColorMode mode)
{
    switch (mode) {
    case ColorMode::twoColor:
        return twoColorPalette();
    case ColorMode::sixteenColor:
        return sixteenColorPalette();
    case ColorMode::webSafe256:
        return webSafePalette();
    }
    return twoColorPalette();
}

std::size_t nearestPaletteIndex(int r, int g, int b, const std::vector<RGBAColor>& palette)
{
    const RGBAColor* entries = palette.data();
    const std::size_t count = palette.size();
    std::size_t best = 0;
    int bestDistance = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const int dr = r - entries[i].r;
        const int dg = g - entries[i].g;
        const int db = b - entries[i].b;
        const int distance = dr * dr + dg * dg + db * db;
        if (i == 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
            // Nothing can beat an exact hit under the strict rule.
            if (distance == 0) {
                break;
            }
        }
    }
    return best;
}

RGBAColor nearestPaletteColor(int r, int g, int b, const std::vector<RGBAColor>& palette)
{
    // The rule is undefined for an empty palette; answer transparent rather than read past it.
    if (palette.empty()) {
        return kTransparent;
    }
    return palette[nearestPaletteIndex(r, g, b, palette)];
}

}  // namespace pixmora::model
