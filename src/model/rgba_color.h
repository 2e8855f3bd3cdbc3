#pragma once

#include <cstdint>
#include <functional>

namespace pixmora::model {

// One straight-alpha sRGB pixel; transparent when a == 0.
struct RGBAColor {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 0;

    friend constexpr bool operator==(const RGBAColor&, const RGBAColor&) = default;

    constexpr bool isTransparent() const { return a == 0; }
};

inline constexpr RGBAColor kTransparent{0, 0, 0, 0};
inline constexpr RGBAColor kOpaqueBlack{0, 0, 0, 255};

static_assert(sizeof(RGBAColor) == 4, "pixels are packed r, g, b, a");

}  // namespace pixmora::model

template <>
struct std::hash<pixmora::model::RGBAColor> {
    std::size_t operator()(const pixmora::model::RGBAColor& c) const noexcept
    {
        return std::hash<std::uint32_t>{}(std::uint32_t(c.r) << 24 | std::uint32_t(c.g) << 16
                                          | std::uint32_t(c.b) << 8 | c.a);
    }
};
