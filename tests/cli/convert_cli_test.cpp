#include <gtest/gtest.h>

#include <csignal>

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "convert/conversion.h"
#include "document/bitmap_document.h"
#include "document/import_conversion.h"
#include "document/raster_bridge.h"
#include "document_fixtures.h"

namespace pixmora::cli {
namespace {

using document::Bytes;
using model::ColorMode;

struct Outcome {
    int exitCode = -1;
    QString out;
    QStringList errLines;
};

class ConverterRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QImage photo(300, 200, QImage::Format_RGB32);
        for (int y = 0; y < 200; ++y) {
            for (int x = 0; x < 300; ++x) {
                photo.setPixelColor(x, y, QColor(x * 255 / 299, y * 255 / 199, (x + y) % 256));
            }
        }
        write("photo.jpg", test::encoded(photo, "jpeg", 90));
        // An opaque disc on a transparent ground.
        QImage logo(90, 40, QImage::Format_ARGB32);
        logo.fill(Qt::transparent);
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 90; ++x) {
                if ((x - 45) * (x - 45) + (y - 20) * (y - 20) < 18 * 18) {
                    logo.setPixelColor(x, y, QColor(200, 30, 30));
                }
            }
        }
        write("logo.png", test::encoded(logo, "png"));
        write("notes.txt", test::asBytes("shopping list\n"));
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }

    void write(const QString& name, const Bytes& bytes)
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    }

    Bytes read(const QString& name) const
    {
        QFile file(path(name));
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        const QByteArray data = file.readAll();
        return Bytes(data.begin(), data.end());
    }

    QStringList entries(const QString& folder) const
    {
        return QDir(path(folder))
            .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden, QDir::Name);
    }

    Outcome run(const QStringList& arguments) const
    {
        QProcess process;
        process.setWorkingDirectory(m_dir.path());
        process.start(PIXMORA_CONVERT_BINARY, arguments);
        EXPECT_TRUE(process.waitForFinished(120000));
        Outcome result;
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        result.errLines = QString::fromUtf8(process.readAllStandardError())
                              .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return result;
    }

    // What the editor saves after importing the file with these choices.
    Bytes editorDocument(
        const QString& name, ColorMode mode,
        convert::MonochromeMethod method = convert::MonochromeMethod::fixedThreshold,
        convert::PaletteDitherMethod dither = convert::PaletteDitherMethod::none,
        std::optional<QSize> size = std::nullopt) const
    {
        const Bytes input = read(name);
        const QSize source = document::sourceImageSize(input).value_or(QSize());
        const auto [w, h] =
            size ? std::pair<std::int64_t, std::int64_t>(size->width(), size->height())
                 : convert::initialImportSize(source.width(), source.height());
        const auto image = document::convertImportData(input, w, h, mode, method, dither);
        EXPECT_TRUE(image);
        return document::writeDocument({image.value_or(model::PixelImage()), false, mode})
            .value_or(Bytes());
    }

    document::BitmapDocument documentAt(const QString& name) const
    {
        const auto result = document::readDocument(read(name));
        EXPECT_TRUE(std::holds_alternative<document::BitmapDocument>(result)) << name.toStdString();
        return std::holds_alternative<document::BitmapDocument>(result)
                   ? std::get<document::BitmapDocument>(result)
                   : document::BitmapDocument{};
    }

    QTemporaryDir m_dir;
};

TEST_F(ConverterRun, OutputsAreTheDocumentsTheEditorSavesAfterImport)
{
    const Outcome result = run({"-d", "out", "--mode", "sixteenColor", "--dither", "floydSteinberg",
                                "photo.jpg", "logo.png"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.errLines.isEmpty()) << result.errLines.join('\n').toStdString();
    EXPECT_EQ(entries("out"), (QStringList{"logo.png", "photo.png"}));
    for (const QString name : {"photo.jpg", "logo.png"}) {
        EXPECT_EQ(read("out/" + QFileInfo(name).baseName() + ".png"),
                  editorDocument(name, ColorMode::sixteenColor,
                                 convert::MonochromeMethod::fixedThreshold,
                                 convert::PaletteDitherMethod::floydSteinberg));
    }
    // The import dialog's starting sizes: 300 x 200 -> 128 x 88, 90 x 40 -> 88 x 40.
    const auto photo = documentAt("out/photo.png");
    EXPECT_EQ(QSize(int(photo.image.width), int(photo.image.height)), QSize(128, 88));
    const auto logo = documentAt("out/logo.png");
    EXPECT_EQ(QSize(int(logo.image.width), int(logo.image.height)), QSize(88, 40));
    EXPECT_EQ(logo.image.at(0, 0), model::kTransparent);
    EXPECT_EQ(logo.image.at(44, 20).a, 255);  // inside the disc
}

TEST_F(ConverterRun, SizeModeAndMethodAreThoseGiven)
{
    const Outcome result = run({"--size", "20x30", "--mode", "twoColor", "--method", "bayer", "-o",
                                "small.png", "photo.jpg"});
    ASSERT_EQ(result.exitCode, 0) << result.errLines.join('\n').toStdString();
    EXPECT_EQ(read("small.png"),
              editorDocument("photo.jpg", ColorMode::twoColor, convert::MonochromeMethod::bayer,
                             convert::PaletteDitherMethod::none, QSize(20, 30)));
}

TEST_F(ConverterRun, EachFailureIsOneLineAndTheOthersStillConvert)
{
    const Outcome result = run({"-d", "out", "photo.jpg", "notes.txt", "missing.png", "logo.png"});
    EXPECT_EQ(result.exitCode, 1);
    ASSERT_EQ(result.errLines.size(), 2) << result.errLines.join('\n').toStdString();
    EXPECT_EQ(result.errLines.filter("notes.txt").size(), 1);
    EXPECT_EQ(result.errLines.filter("missing.png").size(), 1);
    EXPECT_EQ(entries("out"), (QStringList{"logo.png", "photo.png"}));
}

TEST_F(ConverterRun, UsageErrorsExitWithTwoAndWriteNothing)
{
    for (const QStringList& arguments :
         {QStringList{}, QStringList{"--size", "0x4", "-d", "out", "photo.jpg"},
          QStringList{"-o", "x.png", "photo.jpg", "logo.png"}, QStringList{"photo.jpg"}}) {
        const Outcome result = run(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_FALSE(result.errLines.isEmpty());
    }
    EXPECT_EQ(entries("."), (QStringList{"logo.png", "notes.txt", "photo.jpg"}));
}

TEST_F(ConverterRun, NeverWritesOverAnInput)
{
    const Bytes logo = read("logo.png");
    ASSERT_TRUE(QFile::link(path("logo.png"), path("alias.png")));
    ASSERT_EQ(::link(QFile::encodeName(path("logo.png")).constData(),
                     QFile::encodeName(path("twin.png")).constData()),
              0);

    for (const QStringList& arguments :
         {QStringList{"-o", "./logo.png", "logo.png"}, QStringList{"-o", "alias.png", "logo.png"},
          QStringList{"-o", "twin.png", "logo.png"},
          QStringList{"-d", QDir(m_dir.path()).absolutePath(), "photo.jpg", "logo.png"}}) {
        const Outcome result = run(arguments);
        EXPECT_EQ(result.exitCode, 1) << arguments.join(' ').toStdString();
        EXPECT_EQ(result.errLines.filter("logo.png").size(), 1)
            << arguments.join(' ').toStdString();
        EXPECT_EQ(read("logo.png"), logo);
    }
    EXPECT_EQ(documentAt("photo.png").image.width, 128);
}

TEST_F(ConverterRun, TwoInputsWithOneOutputNameConvertOnlyTheFirst)
{
    QDir(m_dir.path()).mkdir("other");
    write("other/photo.png", read("logo.png"));
    const Outcome result = run({"-d", "out", "photo.jpg", "other/photo.png"});
    EXPECT_EQ(result.exitCode, 1);
    ASSERT_EQ(result.errLines.size(), 1);
    EXPECT_TRUE(result.errLines[0].contains("other/photo.png"));
    EXPECT_EQ(read("out/photo.png"), editorDocument("photo.jpg", ColorMode::webSafe256));
}

TEST_F(ConverterRun, FailedConversionLeavesAnExistingOutputWhole)
{
    write("keep.png", test::asBytes("previous contents"));
    const Outcome result = run({"-o", "keep.png", "notes.txt"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(read("keep.png"), test::asBytes("previous contents"));
    EXPECT_EQ(entries("."), (QStringList{"keep.png", "logo.png", "notes.txt", "photo.jpg"}));
}

TEST_F(ConverterRun, ReplacingAnOutputKeepsItsModeAndWritesThroughLinks)
{
    QDir(m_dir.path()).mkdir("art");
    write("art/sprite.png", test::asBytes("old sprite"));
    ASSERT_TRUE(QFile::setPermissions(path("art/sprite.png"),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    ASSERT_TRUE(QFile::link(path("art/sprite.png"), path("sprite-link.png")));

    const Outcome result = run({"-o", "sprite-link.png", "logo.png"});
    EXPECT_EQ(result.exitCode, 0) << result.errLines.join('\n').toStdString();
    // The link still points at the file, which now holds the document.
    EXPECT_TRUE(QFileInfo(path("sprite-link.png")).isSymLink());
    EXPECT_EQ(read("art/sprite.png"), editorDocument("logo.png", ColorMode::webSafe256));
    EXPECT_EQ(QFile::permissions(path("art/sprite.png")),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadUser
                  | QFile::WriteUser);
    EXPECT_EQ(entries("art"), QStringList{"sprite.png"});

    // A new document gets the usual mode for new files.
    const Outcome fresh = run({"-o", "new.png", "logo.png"});
    EXPECT_EQ(fresh.exitCode, 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path("new.png")).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
}

TEST_F(ConverterRun, ParallelRunsGiveTheSameDocumentsAsSerialOnes)
{
    QStringList inputs;
    for (int i = 0; i < 6; ++i) {
        inputs << QString("copy%1.jpg").arg(i);
        write(inputs.back(), read("photo.jpg"));
    }
    for (const char* jobs : {"1", "4"}) {
        ASSERT_EQ(run(QStringList{"-j", jobs, "-d", jobs[0] == '1' ? "serial" : "parallel",
                                  "--dither", "atkinson"} + inputs).exitCode, 0);
    }
    ASSERT_EQ(entries("serial").size(), 6);
    for (const QString& name : entries("serial")) {
        EXPECT_EQ(read("serial/" + name), read("parallel/" + name)) << name.toStdString();
    }
}

TEST_F(ConverterRun, InterruptedRunLeavesOnlyCompleteDocuments)
{
    // Large enough that the run is still busy when the first document appears.
    QImage big(1600, 1200, QImage::Format_RGB32);
    for (int y = 0; y < big.height(); ++y) {
        for (int x = 0; x < big.width(); ++x) {
            big.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
        }
    }
    const Bytes frame = test::encoded(big, "png");
    QStringList inputs;
    for (int i = 0; i < 40; ++i) {
        inputs << QString("frame%1.png").arg(i, 2, 10, QLatin1Char('0'));
        write(inputs.back(), frame);
    }
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    process.start(PIXMORA_CONVERT_BINARY, QStringList{"-j", "2", "-d", "out"} + inputs);
    ASSERT_TRUE(process.waitForStarted());
    while (entries("out").isEmpty() && process.state() == QProcess::Running) {
        process.waitForFinished(5);
    }
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);

    const Bytes expected = editorDocument("frame00.png", ColorMode::webSafe256);
    const QStringList written = entries("out");
    for (const QString& name : written) {
        EXPECT_TRUE(name.startsWith("frame") && name.endsWith(".png")) << name.toStdString();
        EXPECT_EQ(read("out/" + name), expected) << name.toStdString();
    }
    if (written.size() < inputs.size()) {
        EXPECT_EQ(process.exitCode(), 1);
        EXPECT_TRUE(QString::fromUtf8(process.readAllStandardError()).contains("interrupted"));
    }
}

TEST_F(ConverterRun, HelpAndVersionGoToStandardOutput)
{
    Outcome result = run({"--help"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.startsWith("Usage: pixmora-convert [OPTIONS] INPUT..."));
    result = run({"--version"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.startsWith("pixmora-convert "));
}

}  // namespace
}  // namespace pixmora::cli
