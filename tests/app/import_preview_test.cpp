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
using app::ImportConfirmationDialog;
using model::ColorMode;

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
        QCOMPARE(dialog.previewImage(), app::performImport(bytes, dialog.choices()));
        // 128 wide fills the 256 box at twice the size; small images at most 32 times.
        QCOMPARE(dialog.previewCanvas()->size(), QSize(256, 128));
        QCOMPARE(app::importPreviewZoom(8, 8), 32);
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
            QCOMPARE(dialog.previewImage(), app::performImport(bytes, dialog.choices()));
        }
        QCOMPARE(dialog.previewCanvas()->size(), QSize(64 * 4, 24 * 4));
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
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        // 16 x 16 is shown at 16 times.
        QCOMPARE(dialog.previewCanvas()->size(), QSize(256, 256));
        const QImage grab = dialog.previewCanvas()->grab().toImage();
        QCOMPARE(grab.pixelColor(12 * 16 + 8, 3 * 16 + 8), QColor(255, 0, 0));
        QCOMPARE(grab.pixelColor(9 * 16 + 8, 12 * 16 + 8), QColor(0, 0, 255));
        // One flat colour per image pixel: no smoothing at the cell's corner.
        QCOMPARE(grab.pixelColor(8 * 16 + 1, 8 * 16 - 1), QColor(255, 0, 0));
        // Transparent pixels show both checker colours of a new window.
        const QColor a = grab.pixelColor(2 * 16 + 4, 2 * 16 + 4);
        const QColor b = grab.pixelColor(2 * 16 + 12, 2 * 16 + 4);
        QVERIFY(a != b);
        for (const QColor& shown : {a, b})
            QVERIFY(shown == QColor(235, 235, 235) || shown == QColor(200, 200, 200));
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
        // The preview is in the picture, pixel for pixel.
        const QPoint origin = dialog.previewCanvas()->mapTo(&dialog, QPoint(0, 0));
        const model::RGBAColor first = dialog.previewImage()->at(10, 5);
        QCOMPARE(shot.pixelColor(origin + QPoint(10 * 4 + 2, 5 * 4 + 2)),
                 QColor(first.r, first.g, first.b));
        const QByteArray folder = qgetenv("PIXMORA_SCREENSHOT_DIR");
        if (!folder.isEmpty())
            QVERIFY(shot.save(QString::fromLocal8Bit(folder) + "/import-dialog.png"));
    }
};

QTEST_MAIN(ImportPreviewTest)
#include "import_preview_test.moc"
