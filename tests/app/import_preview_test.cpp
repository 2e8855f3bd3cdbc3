#include <cmath>

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/canvas_size_fields.h"
#include "app/import_dialog.h"
#include "editor/pixel_canvas_widget.h"

using namespace pixmora;
using app::ImportChoices;
using app::ImportConfirmationDialog;
using model::ColorMode;
using model::RGBAColor;

namespace {

document::Bytes pngBytes(const QImage& image)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return document::Bytes(data.begin(), data.end());
}

// A smooth picture, so that every method gives a different result.
QImage gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(255 * x / width, 255 * y / height, 128));
    return image;
}

// A sunset-like scene with a soft disc, for the screenshot.
QImage scene(int side)
{
    QImage image(side, side, QImage::Format_ARGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, side);
    sky.setColorAt(0, QColor(40, 60, 160));
    sky.setColorAt(0.6, QColor(240, 140, 90));
    sky.setColorAt(1, QColor(250, 220, 150));
    painter.fillRect(image.rect(), sky);
    QRadialGradient sun(side * 0.5, side * 0.62, side * 0.22);
    sun.setColorAt(0, QColor(255, 250, 210));
    sun.setColorAt(1, QColor(255, 180, 60));
    painter.setPen(Qt::NoPen);
    painter.setBrush(sun);
    painter.drawEllipse(QPointF(side * 0.5, side * 0.62), side * 0.22, side * 0.22);
    painter.fillRect(QRectF(0, side * 0.78, side, side * 0.22), QColor(30, 40, 70));
    return image;
}

std::optional<model::PixelImage> expected(const document::Bytes& bytes,
                                          const ImportConfirmationDialog& dialog)
{
    return app::performImport(bytes, dialog.choices());
}

// The colour shown at the centre of an image pixel in a grab of the preview canvas.
QColor shownAt(const QImage& grab, int zoom, int x, int y)
{
    return grab.pixelColor(x * zoom + zoom / 2, y * zoom + zoom / 2);
}

}  // namespace

class ImportPreviewTest : public QObject {
    Q_OBJECT

private slots:
    void previewOpensWithTheStartingChoices()
    {
        const document::Bytes bytes = pngBytes(gradient(1000, 500));
        ImportConfirmationDialog dialog(bytes);
        QVERIFY(!dialog.isPreviewPending());
        QCOMPARE(dialog.previewChoices(), dialog.choices());
        QVERIFY(dialog.previewImage().has_value());
        QCOMPARE(dialog.previewImage()->width, 128);
        QCOMPARE(dialog.previewImage()->height, 64);
        // A PNG decodes the same for the preview as for the import.
        QCOMPARE(dialog.previewImage(), expected(bytes, dialog));
        // 128 wide fills the 256 box at twice the size.
        QCOMPARE(dialog.previewCanvas()->size(), QSize(256, 128));
        QCOMPARE(app::importPreviewZoom(8, 8), 32);
        QCOMPARE(app::importPreviewZoom(40, 24), 6);
    }

    void everyChoiceRedrawsThePreviewOnTheNextPass()
    {
        const document::Bytes bytes = pngBytes(gradient(200, 200));
        ImportConfirmationDialog dialog(bytes);
        const std::function<void()> changes[] = {
            [&] { dialog.colorModeButton(ColorMode::twoColor)->click(); },
            [&] { dialog.monochromePicker()->setCurrentIndex(4); },  // Bayer
            [&] { dialog.sizeModel()->setWidth(64); },               // height follows
            [&] { dialog.sizeFields()->lockCheckBox()->click(); },
            [&] { dialog.sizeModel()->setHeight(24); },
            [&] { dialog.colorModeButton(ColorMode::sixteenColor)->click(); },
            [&] { dialog.palettePicker()->setCurrentIndex(1); },  // Floyd-Steinberg
        };
        for (const auto& change : changes) {
            const std::optional<model::PixelImage> before = dialog.previewImage();
            change();
            QVERIFY(dialog.isPreviewPending());
            QCOMPARE(dialog.previewImage(), before);  // the event handler stays short
            QTRY_VERIFY(!dialog.isPreviewPending());
            QCOMPARE(dialog.previewChoices(), dialog.choices());
            QCOMPARE(dialog.previewImage(), expected(bytes, dialog));
        }
        QCOMPARE(dialog.previewImage()->width, 64);
        QCOMPARE(dialog.previewImage()->height, 24);
        QCOMPARE(dialog.previewCanvas()->size(), QSize(64 * 4, 24 * 4));
    }

    void rapidChangesAreDrawnOnce()
    {
        const document::Bytes bytes = pngBytes(gradient(100, 100));
        ImportConfirmationDialog dialog(bytes);
        dialog.colorModeButton(ColorMode::twoColor)->click();
        dialog.monochromePicker()->setCurrentIndex(2);
        dialog.sizeModel()->setWidth(32);
        // Nothing of the three has been drawn yet; one pass draws the last state.
        QCOMPARE(dialog.previewChoices().colorMode, ColorMode::webSafe256);
        QTRY_VERIFY(!dialog.isPreviewPending());
        QCOMPARE(dialog.previewChoices(), dialog.choices());
        QCOMPARE(dialog.previewImage()->width, 32);
    }

    void previewIsEnlargedPixelForPixelOverTheCheckerboard()
    {
        // Left half transparent, right half red, bottom-right quarter blue.
        QImage source(16, 16, QImage::Format_ARGB32);
        source.fill(Qt::transparent);
        for (int y = 0; y < 16; ++y)
            for (int x = 8; x < 16; ++x)
                source.setPixelColor(x, y, y < 8 ? QColor(255, 0, 0) : QColor(0, 0, 255));
        ImportConfirmationDialog dialog(pngBytes(source));
        dialog.colorModeButton(ColorMode::sixteenColor)->click();
        QTRY_VERIFY(!dialog.isPreviewPending());
        QCOMPARE(dialog.choices().width, 16);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        const int zoom = 16;
        QCOMPARE(dialog.previewCanvas()->size(), QSize(16 * zoom, 16 * zoom));
        const QImage grab = dialog.previewCanvas()->grab().toImage();
        QCOMPARE(shownAt(grab, zoom, 12, 3), QColor(255, 0, 0));
        QCOMPARE(shownAt(grab, zoom, 9, 12), QColor(0, 0, 255));
        // One flat colour per image pixel: no smoothing at the cell's corner.
        QCOMPARE(grab.pixelColor(8 * zoom + 1, 7 * zoom + zoom - 1), QColor(255, 0, 0));
        // Transparent pixels show both checker colours of a new window.
        const QColor light(235, 235, 235);
        const QColor dark(200, 200, 200);
        const QColor a = grab.pixelColor(2 * zoom + zoom / 4, 2 * zoom + zoom / 4);
        const QColor b = grab.pixelColor(2 * zoom + 3 * zoom / 4, 2 * zoom + zoom / 4);
        QVERIFY(a != b);
        QVERIFY(a == light || a == dark);
        QVERIFY(b == light || b == dark);
    }

    void sizesOutsideTheRangeShowNothing()
    {
        ImportConfirmationDialog dialog(pngBytes(gradient(64, 64)));
        dialog.sizeModel()->setLockAspectRatio(false);
        dialog.sizeModel()->setWidth(400);  // while typing, before it is snapped
        QTRY_VERIFY(!dialog.isPreviewPending());
        QVERIFY(!dialog.previewImage().has_value());
        QCOMPARE(dialog.previewCanvas()->size(), QSize(0, 0));
        dialog.sizeModel()->normalizeField(app::CanvasSizeFieldsModel::Field::width);
        QTRY_VERIFY(!dialog.isPreviewPending());
        QCOMPARE(dialog.previewImage()->width, 128);
    }

    // Set PIXMORA_SCREENSHOT_DIR to write the README's picture of the dialog.
    void dialogScreenshot()
    {
        ImportConfirmationDialog dialog(pngBytes(scene(480)));
        dialog.colorModeButton(ColorMode::sixteenColor)->click();
        dialog.palettePicker()->setCurrentIndex(1);  // Floyd-Steinberg
        dialog.sizeModel()->setWidth(64);
        QTRY_VERIFY(!dialog.isPreviewPending());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.importButton()->setFocus();  // no text cursor in the picture
        const QImage shot = dialog.grab().toImage();
        QCOMPARE(shot.width(), dialog.width());
        // The preview is in the picture, pixel for pixel.
        const QPoint origin = dialog.previewCanvas()->mapTo(&dialog, QPoint(0, 0));
        const model::RGBAColor first = dialog.previewImage()->at(10, 5);
        QCOMPARE(shot.pixelColor(origin + QPoint(10 * 4 + 2, 5 * 4 + 2)),
                 QColor(first.r, first.g, first.b));
        const QByteArray folder = qgetenv("PIXMORA_SCREENSHOT_DIR");
        if (!folder.isEmpty())
            QVERIFY(shot.save(QString::fromLocal8Bit(folder) + QStringLiteral("/import-dialog.png")));
    }
};

QTEST_MAIN(ImportPreviewTest)
#include "import_preview_test.moc"
