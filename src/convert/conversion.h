#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "model/rgba_color.h"

namespace pixmora::convert {

using model::RGBAColor;
using Pixels = std::vector<RGBAColor>;

enum class MonochromeMethod { fixedThreshold, otsuThreshold, floydSteinberg, atkinson, bayer };
enum class PaletteDitherMethod { none, floydSteinberg, atkinson, bayer };

inline constexpr std::array<MonochromeMethod, 5> allMonochromeMethods{
    MonochromeMethod::fixedThreshold, MonochromeMethod::otsuThreshold,
    MonochromeMethod::floydSteinberg, MonochromeMethod::atkinson, MonochromeMethod::bayer};
inline constexpr std::array<PaletteDitherMethod, 4> allPaletteDitherMethods{
    PaletteDitherMethod::none, PaletteDitherMethod::floydSteinberg, PaletteDitherMethod::atkinson,
    PaletteDitherMethod::bayer};

std::string_view rawValue(MonochromeMethod method);
std::string_view rawValue(PaletteDitherMethod method);
std::optional<MonochromeMethod> monochromeMethodFromRaw(std::string_view raw);
std::optional<PaletteDitherMethod> paletteDitherMethodFromRaw(std::string_view raw);
std::string_view title(MonochromeMethod method);
std::string_view title(PaletteDitherMethod method);

struct KernelEntry {
    int dx = 0;
    int dy = 0;
    double weight = 0.0;
};
// Floyd-Steinberg or Atkinson share lists, in the order shares are given out.
const std::vector<KernelEntry>& floydSteinbergKernel();
const std::vector<KernelEntry>& atkinsonKernel();

// The 8 x 8 Bayer index matrix, [row][column], values 0..63.
const std::array<std::array<int, 8>, 8>& bayerMatrix();

// Rounds half away from zero and limits to 0..255.
int roundClampByte(double v);
// Luminance (0.299 r + 0.587 g) + 0.114 b in doubles, rounded and clamped.
int luminance(RGBAColor c);

// All routines take exactly width * height straight-alpha pixels (transparent ones
// as (0,0,0,0)) and return a new array of the same length.
Pixels convertToMonochrome(const Pixels& pixels, std::int64_t width, std::int64_t height,
                           MonochromeMethod method);
Pixels convertToPalette(PaletteDitherMethod method, const Pixels& pixels, std::int64_t width,
                        std::int64_t height, const std::vector<RGBAColor>& palette);
Pixels alphaSilhouette(const Pixels& pixels);
Pixels thresholdAlpha(const Pixels& pixels);
// Otsu's threshold over darkness values 0..255; 128 for an empty list.
int computeOtsuThreshold(const std::vector<std::uint8_t>& values);

// The canvas size an import starts from: fit into 128 without enlarging,
// rounded to a multiple of 8 within 8..128.
std::pair<std::int64_t, std::int64_t> initialImportSize(std::int64_t w, std::int64_t h);

}  // namespace pixmora::convert
