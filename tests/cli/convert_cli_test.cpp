#include <gtest/gtest.h>

#include <csignal>

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include "cli/convert_options.h"
#include "document/bitmap_document.h"
#include "document/import_conversion.h"
#include "document/raster_bridge.h"
#include "document_fixtures.h"

namespace pixmora::cli {
namespace {

using document::Bytes;

QImage pattern(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int i = 0; i < width * height; ++i)
        image.setPixel(i % width, i / width, qRgb(i % 256, i / width % 256, i * 7 % 256));
    return image;
}

class ConverterRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        write("photo.jpg", test::encoded(pattern(300, 200), "jpeg"));
        QImage logo = test::filledImage(90, 40, model::kTransparent);
        QPainter(&logo).fillRect(27, 2, 36, 36, QColor(200, 30, 30));  // opaque on clear
        write("logo.png", test::encoded(logo, "png"));
        write("notes.txt", test::asBytes("shopping list\n"));
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }

    void write(const QString& name, const Bytes& bytes) { test::writeFile(path(name), bytes); }

    Bytes read(const QString& name) const { return test::readFile(path(name)); }

    QStringList entries(const QString& folder) const
    {
        return QDir(path(folder)).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
    }

    std::pair<int, QStringList> run(const QStringList& arguments) const
    {
        QProcess process;
        process.setWorkingDirectory(m_dir.path());
        process.start(PIXMORA_CONVERT_BINARY, arguments);
        EXPECT_TRUE(process.waitForFinished(120000));
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardError())
                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts)};
    }

    Bytes editorDocument(const QString& name, const ConvertOptions& choices = {}) const
    {
        const Bytes input = read(name);
        const QSize source = document::sourceImageSize(input).value_or(QSize());
        const auto [w, h] = convert::initialImportSize(source.width(), source.height());
        const QSize size = choices.size.value_or(QSize(int(w), int(h)));
        const auto image =
            document::convertImportData(input, size.width(), size.height(), choices.mode,
                                        choices.method, choices.dither);
        EXPECT_TRUE(image);
        return document::writeDocument({image.value_or(model::PixelImage()), false, choices.mode})
            .value_or(Bytes());
    }

    QTemporaryDir m_dir;
};

TEST_F(ConverterRun, OutputsAreTheEditorsImportAlsoInParallelAndNeverAnInput)
{
    const QStringList arguments{"-j", "2", "-d", "out", "--mode", "sixteenColor", "--dither",
                                "atkinson", "photo.jpg", "logo.png"};
    EXPECT_EQ(run(arguments).first, 0);
    const ConvertOptions choices = parseCommandLine(arguments).options;
    EXPECT_EQ(read("out/photo.png"), editorDocument("photo.jpg", choices));
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path("out/photo.png")).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);  // the usual mode for a new file
    const Bytes logo = read("logo.png");
    ASSERT_TRUE(QFile::link(path("logo.png"), path("alias.png")));
    ASSERT_EQ(::link(QFile::encodeName(path("logo.png")).constData(),
                     QFile::encodeName(path("twin.png")).constData()), 0);
    for (const QStringList& overwriting :
         {QStringList{"-o", "alias.png", "logo.png"}, QStringList{"-o", "twin.png", "logo.png"},
          QStringList{"-d", QDir(m_dir.path()).absolutePath(), "photo.jpg", "logo.png"}}) {
        const auto [code, errors] = run(overwriting);
        EXPECT_EQ(code, 1) << overwriting.join(' ').toStdString();
        EXPECT_EQ(errors.filter("logo.png").size(), 1) << overwriting.join(' ').toStdString();
        EXPECT_EQ(read("logo.png"), logo);
    }
}

TEST_F(ConverterRun, UsageErrorsExitWithTwoOtherFailuresAreOneLineEachAndTheRestConvert)
{
    EXPECT_EQ(run({"--size", "129x1", "-d", "out", "photo.jpg"}).first, 2);
    ASSERT_TRUE(QDir().mkpath(path("out")) && QDir().mkpath(path("other")));
    write("out/notes.png", test::asBytes("previous contents"));
    write("other/photo.png", read("logo.png"));
    QFile huge(path("huge.png"));  // sparse: nothing of it is written to disk
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize((qint64{256} << 20) + 1));
    // An input named like an earlier one's output is skipped; the older output stays whole.
    const auto [code, errors] = run({"-d", "out", "photo.jpg", "notes.txt", "missing.png",
                                     "huge.png", "logo.png", "other/photo.png"});
    EXPECT_EQ(code, 1);
    ASSERT_EQ(errors.size(), 4) << errors.join('\n').toStdString();
    for (const char* input :
         {"notes.txt", "missing.png", "other/photo.png", "huge.png: file too large"})
        EXPECT_EQ(errors.filter(input).size(), 1) << input;
    EXPECT_EQ(entries("out"), (QStringList{"logo.png", "notes.png", "photo.png"}));
    EXPECT_EQ(read("out/notes.png"), test::asBytes("previous contents"));
}

TEST_F(ConverterRun, InterruptedRunLeavesOnlyCompleteDocuments)
{
    const Bytes frame = test::encoded(pattern(1600, 1200), "png");
    QStringList inputs;
    for (int i = 0; i < 40; ++i) {
        inputs << QString("frame%1.png").arg(i, 2, 10, QLatin1Char('0'));
        write(inputs.back(), frame);
    }
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    process.start(PIXMORA_CONVERT_BINARY, QStringList{"-j", "2", "-d", "out"} + inputs);
    ASSERT_TRUE(process.waitForStarted());
    while (entries("out").isEmpty() && process.state() == QProcess::Running)
        process.waitForFinished(5);
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    const Bytes expected = editorDocument("frame00.png");
    for (const QString& name : entries("out")) {
        EXPECT_TRUE(name.startsWith("frame") && name.endsWith(".png")) << name.toStdString();
        EXPECT_EQ(read("out/" + name), expected) << name.toStdString();
    }
}

}  // namespace
}  // namespace pixmora::cli
