// Times, in one process and per file, for bench/compare:
//   decode_reduced  decoding each file as the converter does for a W x H target
//                   (libjpeg's reduced DCT where it applies);
//   decode_full     decoding each file at full size;
//   import          the converter's work on a file already in memory: reduced
//                   decode, fit, sixteenColor Floyd-Steinberg, document bytes.
// Usage: jpeg_decode_bench WxH FILE...
// Prints "name milliseconds-per-file" lines, the best of three passes.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include <QCoreApplication>
#include <QFile>
#include <QSize>

#include "document/bitmap_document.h"
#include "document/import_conversion.h"
#include "document/raster_bridge.h"

namespace document = pixmora::document;
namespace model = pixmora::model;

namespace {

double bestMillisecondsPerFile(const std::vector<document::Bytes>& files,
                               const std::function<bool(const document::Bytes&)>& work)
{
    double best = 1e300;
    for (int pass = 0; pass < 3; ++pass) {
        const auto start = std::chrono::steady_clock::now();
        for (const auto& data : files) {
            if (!work(data)) {
                return -1.0;
            }
        }
        const std::chrono::duration<double, std::milli> elapsed =
            std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count() / double(files.size()));
    }
    return best;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    const QStringList size = arguments.value(0).split(QLatin1Char('x'));
    const QSize target(size.value(0).toInt(), size.value(1).toInt());
    if (arguments.size() < 2 || target.isEmpty()) {
        std::fputs("usage: jpeg_decode_bench WxH FILE...\n", stderr);
        return 2;
    }
    std::vector<document::Bytes> files;
    for (const QString& path : arguments.mid(1)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "jpeg_decode_bench: cannot read %s\n", qUtf8Printable(path));
            return 1;
        }
        const QByteArray contents = file.readAll();
        files.emplace_back(contents.begin(), contents.end());
    }

    const double reduced = bestMillisecondsPerFile(files, [&](const document::Bytes& data) {
        return !document::decodeSourceImage(data, target).isNull();
    });
    const double full = bestMillisecondsPerFile(files, [](const document::Bytes& data) {
        return !document::decodeSourceImage(data).isNull();
    });
    const double import = bestMillisecondsPerFile(files, [&](const document::Bytes& data) {
        const auto image = document::convertImportData(
            data, target.width(), target.height(), model::ColorMode::sixteenColor,
            pixmora::convert::MonochromeMethod::floydSteinberg,
            pixmora::convert::PaletteDitherMethod::floydSteinberg);
        return image && document::writeDocument({*image, false, model::ColorMode::sixteenColor});
    });
    if (reduced < 0 || full < 0 || import < 0) {
        std::fputs("jpeg_decode_bench: a file did not decode\n", stderr);
        return 1;
    }
    std::printf("decode_reduced %.4f\ndecode_full %.4f\nimport %.4f\n", reduced, full, import);
    return 0;
}
