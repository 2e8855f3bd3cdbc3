// The conversion layer at 128 x 128: every monochrome method, every palette dither
// in both palette modes, the nearest-colour search, flood fill, and a whole import
// of a 24-megapixel JPEG.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "convert/conversion.h"
#include "convert/nearest_color_finder.h"
#include "document/bitmap_document.h"
#include "document/import_conversion.h"
#include "model/color_mode.h"
#include "model/pixel_image.h"
#include "model/pixel_ops.h"
#include "run_benchmarks.h"

namespace {

namespace convert = pixmora::convert;
namespace document = pixmora::document;
namespace model = pixmora::model;

constexpr std::int64_t side = 128;

std::uint8_t clampByte(double v)
{
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
}

// Smooth gradients and soft blobs with sensor-like noise: what imports see, with
// both flat stretches and detail.
convert::Pixels photoLike(std::int64_t width, std::int64_t height, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 6.0);
    convert::Pixels pixels(static_cast<std::size_t>(width * height));
    for (std::int64_t y = 0; y < height; ++y) {
        for (std::int64_t x = 0; x < width; ++x) {
            const double u = double(x) / double(width);
            const double v = double(y) / double(height);
            const double blob = std::exp(-((u - 0.6) * (u - 0.6) + (v - 0.4) * (v - 0.4)) * 12.0);
            pixels[static_cast<std::size_t>(y * width + x)] = {
                clampByte(40 + 180 * u + 60 * blob + noise(random)),
                clampByte(90 + 120 * v * (1 - u) + 40 * std::sin(9 * u) + noise(random)),
                clampByte(200 - 150 * v + 50 * blob + noise(random)), 255};
        }
    }
    return pixels;
}

const convert::Pixels& input()
{
    static const convert::Pixels pixels = photoLike(side, side, 7);
    return pixels;
}

void monochrome(benchmark::State& state, convert::MonochromeMethod method)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(convert::convertToMonochrome(input(), side, side, method));
    }
    state.SetItemsProcessed(state.iterations() * side * side);
}

void palette(benchmark::State& state, convert::PaletteDitherMethod method, model::ColorMode mode)
{
    const auto& colours = model::palette(mode);
    for (auto _ : state) {
        benchmark::DoNotOptimize(convert::convertToPalette(method, input(), side, side, colours));
    }
    state.SetItemsProcessed(state.iterations() * side * side);
}

void alphaSilhouette(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(convert::alphaSilhouette(input()));
    }
    state.SetItemsProcessed(state.iterations() * side * side);
}

void thresholdAlpha(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(convert::thresholdAlpha(input()));
    }
    state.SetItemsProcessed(state.iterations() * side * side);
}

// Every pixel of the image looked up once, with a finder made for the call as the
// converters do.
void nearestFinder(benchmark::State& state, model::ColorMode mode)
{
    const auto& colours = model::palette(mode);
    for (auto _ : state) {
        convert::NearestColorFinder finder(colours);
        std::size_t sum = 0;
        for (const model::RGBAColor& c : input()) {
            sum += finder.index(c.r, c.g, c.b);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * side * side);
}

// The plain linear scan the finder must agree with, for scale.
void nearestLinear(benchmark::State& state, model::ColorMode mode)
{
    const auto& colours = model::palette(mode);
    for (auto _ : state) {
        std::size_t sum = 0;
        for (const model::RGBAColor& c : input()) {
            sum += model::nearestPaletteIndex(c.r, c.g, c.b, colours);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * side * side);
}

// The bucket on a blank canvas: every pixel is filled.
void floodFillFull(benchmark::State& state)
{
    const model::PixelImage blank(side, side);
    for (auto _ : state) {
        model::PixelImage image = blank;
        model::floodFill(image, side / 2, side / 2, model::RGBAColor{255, 0, 0, 255});
        benchmark::DoNotOptimize(image.pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * side * side);
}

// The fitting and conversion of an import from an already decoded photo.
void importFromImage(benchmark::State& state, model::ColorMode mode)
{
    const convert::Pixels pixels = photoLike(1920, 1080, 11);
    QImage source(reinterpret_cast<const uchar*>(pixels.data()), 1920, 1080,
                  QImage::Format_RGBA8888);
    source = source.copy();
    for (auto _ : state) {
        benchmark::DoNotOptimize(document::convertImport(source, side, 72, mode,
                                                         convert::MonochromeMethod::floydSteinberg,
                                                         convert::PaletteDitherMethod::floydSteinberg));
    }
}

// A 6000 x 4000 photo-like JPEG, written once to a temporary file; empty when
// it cannot be made.
QString largeJpegPath()
{
    static QTemporaryDir folder;
    static const QString path = [] {
        constexpr int width = 6000;
        constexpr int height = 4000;
        QImage image(width, height, QImage::Format_RGB32);
        std::mt19937 random(3);
        std::uniform_int_distribution<int> noise(-8, 8);
        for (int y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < width; ++x) {
                const double u = double(x) / width;
                const double v = double(y) / height;
                line[x] = qRgb(clampByte(30 + 200 * u + 20 * std::sin(40 * v) + noise(random)),
                               clampByte(60 + 150 * v + noise(random)),
                               clampByte(220 - 120 * u * v + noise(random)));
            }
        }
        const QString file = folder.filePath(QStringLiteral("large.jpg"));
        QImageWriter writer(file, "jpeg");
        writer.setQuality(90);
        return folder.isValid() && writer.write(image) ? file : QString();
    }();
    return path;
}

// What the editor does on import: read the file, decode it (reduced where JPEG
// allows), fit it to 128 x 96 and convert it.
void import24MegapixelJpeg(benchmark::State& state)
{
    const QString path = largeJpegPath();
    if (path.isEmpty()) {
        state.SkipWithError("cannot write the JPEG (no jpeg image plugin?)");
        return;
    }
    qint64 fileBytes = 0;
    for (auto _ : state) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            state.SkipWithError("cannot read the JPEG");
            return;
        }
        const QByteArray contents = file.readAll();
        fileBytes = contents.size();
        const document::Bytes data(contents.begin(), contents.end());
        const auto image = document::convertImportData(
            data, 128, 96, model::ColorMode::sixteenColor, convert::MonochromeMethod::floydSteinberg,
            convert::PaletteDitherMethod::floydSteinberg);
        if (!image) {
            state.SkipWithError("import failed");
            return;
        }
        benchmark::DoNotOptimize(image->pixels.data());
    }
    state.counters["jpeg_MB"] = double(fileBytes) / 1e6;
}

// The document bytes the converter writes for a 128 x 128 picture.
void writeDocument(benchmark::State& state)
{
    const model::PixelImage image(
        side, side,
        convert::convertToPalette(convert::PaletteDitherMethod::floydSteinberg, input(), side,
                                  side, model::palette(model::ColorMode::sixteenColor)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            document::writeDocument({image, false, model::ColorMode::sixteenColor}));
    }
}

std::string modeName(model::ColorMode mode)
{
    return std::string(model::rawValue(mode));
}

void registerAll()
{
    for (const auto method : convert::allMonochromeMethods) {
        benchmark::RegisterBenchmark(
            ("Monochrome/" + std::string(convert::rawValue(method))).c_str(), monochrome, method)
            ->Unit(benchmark::kMicrosecond);
    }
    for (const auto mode : {model::ColorMode::sixteenColor, model::ColorMode::webSafe256}) {
        for (const auto method : convert::allPaletteDitherMethods) {
            benchmark::RegisterBenchmark(("Palette/" + modeName(mode) + "/"
                                          + std::string(convert::rawValue(method)))
                                             .c_str(),
                                         palette, method, mode)
                ->Unit(benchmark::kMicrosecond);
        }
    }
    benchmark::RegisterBenchmark("AlphaSilhouette", alphaSilhouette)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("ThresholdAlpha", thresholdAlpha)->Unit(benchmark::kMicrosecond);
    for (const auto mode : {model::ColorMode::sixteenColor, model::ColorMode::webSafe256}) {
        benchmark::RegisterBenchmark(("NearestColor/finder/" + modeName(mode)).c_str(),
                                     nearestFinder, mode)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("NearestColor/linear/" + modeName(mode)).c_str(),
                                     nearestLinear, mode)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RegisterBenchmark("FloodFill/full128", floodFillFull)->Unit(benchmark::kMicrosecond);
    for (const auto mode : model::allColorModes) {
        benchmark::RegisterBenchmark(("ImportFromImage/1920x1080/" + modeName(mode)).c_str(),
                                     importFromImage, mode)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("Import/jpeg6000x4000/to128x96", import24MegapixelJpeg)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("WriteDocument/128", writeDocument)->Unit(benchmark::kMicrosecond);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);  // image plugins
    return pixmora::bench::runBenchmarks(argc, argv, registerAll);
}
