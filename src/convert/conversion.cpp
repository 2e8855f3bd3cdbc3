#include "convert/conversion.h"

#include <algorithm>
#include <cmath>

namespace pixmora::convert {

namespace {

struct MonochromeNames {
    MonochromeMethod method;
    std::string_view raw;
    std::string_view title;
};

struct PaletteDitherNames {
    PaletteDitherMethod method;
    std::string_view raw;
    std::string_view title;
};

constexpr std::array<MonochromeNames, 5> kMonochromeNames{{
    {MonochromeMethod::fixedThreshold, "fixedThreshold", "固定しきい値"},
    {MonochromeMethod::otsuThreshold, "otsuThreshold", "自動しきい値（大津の二値化）"},
    {MonochromeMethod::floydSteinberg, "floydSteinberg", "Floyd-Steinberg（誤差拡散）"},
    {MonochromeMethod::atkinson, "atkinson", "Atkinson（誤差拡散、レトロMac風）"},
    {MonochromeMethod::bayer, "bayer", "Bayer（順序ディザ、網目模様）"},
}};

constexpr std::array<PaletteDitherNames, 4> kPaletteDitherNames{{
    {PaletteDitherMethod::none, "none", "しない"},
    {PaletteDitherMethod::floydSteinberg, "floydSteinberg", "Floyd-Steinberg（誤差拡散）"},
    {PaletteDitherMethod::atkinson, "atkinson", "Atkinson（誤差拡散、レトロMac風）"},
    {PaletteDitherMethod::bayer, "bayer", "Bayer（順序ディザ、網目模様）"},
}};

template <typename Table, typename Method>
const auto& namesOf(const Table& table, Method method)
{
    // The tables list every case, so the search always succeeds.
    return *std::find_if(table.begin(), table.end(),
                         [method](const auto& row) { return row.method == method; });
}

template <typename Table>
auto methodFromRaw(const Table& table, std::string_view raw)
    -> std::optional<decltype(table[0].method)>
{
    for (const auto& row : table) {
        if (row.raw == raw) {
            return row.method;
        }
    }
    return std::nullopt;
}

}  // namespace

std::string_view rawValue(MonochromeMethod method)
{
    return namesOf(kMonochromeNames, method).raw;
}

std::string_view rawValue(PaletteDitherMethod method)
{
    return namesOf(kPaletteDitherNames, method).raw;
}

std::optional<MonochromeMethod> monochromeMethodFromRaw(std::string_view raw)
{
    return methodFromRaw(kMonochromeNames, raw);
}

std::optional<PaletteDitherMethod> paletteDitherMethodFromRaw(std::string_view raw)
{
    return methodFromRaw(kPaletteDitherNames, raw);
}

std::string_view title(MonochromeMethod method)
{
    return namesOf(kMonochromeNames, method).title;
}

std::string_view title(PaletteDitherMethod method)
{
    return namesOf(kPaletteDitherNames, method).title;
}

const std::vector<KernelEntry>& floydSteinbergKernel()
{
    static const std::vector<KernelEntry> kernel{
        {1, 0, 7.0 / 16.0}, {-1, 1, 3.0 / 16.0}, {0, 1, 5.0 / 16.0}, {1, 1, 1.0 / 16.0}};
    return kernel;
}

const std::vector<KernelEntry>& atkinsonKernel()
{
    // The weights sum to 6/8: a quarter of every error is dropped on purpose.
    static const std::vector<KernelEntry> kernel{{1, 0, 1.0 / 8.0},  {2, 0, 1.0 / 8.0},
                                                 {-1, 1, 1.0 / 8.0}, {0, 1, 1.0 / 8.0},
                                                 {1, 1, 1.0 / 8.0},  {0, 2, 1.0 / 8.0}};
    return kernel;
}

const std::array<std::array<int, 8>, 8>& bayerMatrix()
{
    // Doubling step M' = [[4M, 4M + 2], [4M + 3, 4M + 1]] from the 1 x 1 matrix {0}.
    static const std::array<std::array<int, 8>, 8> matrix = [] {
        std::array<std::array<int, 8>, 8> m{};
        for (int size = 1; size < 8; size *= 2) {
            for (int y = 0; y < size; ++y) {
                for (int x = 0; x < size; ++x) {
                    const int base = 4 * m[y][x];
                    m[y][x] = base;
                    m[y][x + size] = base + 2;
                    m[y + size][x] = base + 3;
                    m[y + size][x + size] = base + 1;
                }
            }
        }
        return m;
    }();
    return matrix;
}

int roundClampByte(double v)
{
    // std::round rounds halves away from zero without the v + 0.5 error near 0.5.
    const double r = std::round(v);
    if (!(r > 0.0)) {
        return 0;
    }
    if (r >= 255.0) {
        return 255;
    }
    return static_cast<int>(r);
}

int luminance(RGBAColor c)
{
    const double l = (0.299 * c.r + 0.587 * c.g) + 0.114 * c.b;
    return roundClampByte(l);
}

Pixels alphaSilhouette(const Pixels& pixels)
{
    Pixels out;
    out.reserve(pixels.size());
    for (const RGBAColor& p : pixels) {
        out.push_back(p.a >= 128 ? model::kOpaqueBlack : model::kTransparent);
    }
    return out;
}

Pixels thresholdAlpha(const Pixels& pixels)
{
    Pixels out;
    out.reserve(pixels.size());
    for (const RGBAColor& p : pixels) {
        out.push_back(p.a >= 128 ? RGBAColor{p.r, p.g, p.b, 255} : model::kTransparent);
    }
    return out;
}

int computeOtsuThreshold(const std::vector<std::uint8_t>& values)
{
    if (values.empty()) {
        return 128;
    }
    std::array<std::int64_t, 256> hist{};
    for (std::uint8_t v : values) {
        ++hist[v];
    }
    const auto n = static_cast<std::int64_t>(values.size());
    double total = 0.0;
    for (int i = 0; i < 256; ++i) {
        total += static_cast<double>(i) * static_cast<double>(hist[i]);
    }
    std::int64_t wB = 0;
    double sumB = 0.0;
    double best = -1.0;
    int threshold = 0;
    for (int t = 0; t < 256; ++t) {
        wB += hist[t];
        if (wB == 0) {
            continue;
        }
        const std::int64_t wF = n - wB;
        if (wF == 0) {
            break;
        }
        sumB += static_cast<double>(t) * static_cast<double>(hist[t]);
        const double mB = sumB / static_cast<double>(wB);
        const double mF = (total - sumB) / static_cast<double>(wF);
        const double d = mB - mF;
        // Equal to the rounded integer product wB * wF, without its overflow.
        const double sigma = d * ((static_cast<double>(wB) * static_cast<double>(wF)) * d);
        if (sigma > best) {
            best = sigma;
            threshold = t;
        }
    }
    return threshold;
}

std::pair<std::int64_t, std::int64_t> initialImportSize(std::int64_t w, std::int64_t h)
{
    if (w <= 0 || h <= 0) {
        // Nothing to fit: start from the largest canvas, as for undecodable bytes.
        return {128, 128};
    }
    const double s = std::min(128.0 / static_cast<double>(std::max(w, h)), 1.0);
    const auto side = [s](std::int64_t v) {
        const double eighths = std::round(static_cast<double>(v) * s * 0.125);
        return std::clamp<std::int64_t>(static_cast<std::int64_t>(eighths) * 8, 8, 128);
    };
    return {side(w), side(h)};
}

}  // namespace pixmora::convert
