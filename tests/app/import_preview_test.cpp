#include <QBuffer>
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
        QCOMPARE(dialog.previewImage()->width, 128);
        // A PNG decodes the same for the preview as for the import.
        QCOMPARE(dialog.previewImage(), app::performImport(bytes, dialog.choices()));
        // 128 wide fills the 256 box at twice the size.
        QCOMPARE(dialog.previewCanvas()->size(), QSize(256, 128));
    }

    void everyChoiceRedrawsThePreviewOnTheNextPass()
    {
        const document::Bytes bytes = pngBytes(gradient(200, 200));
        ImportConfirmationDialog dialog(bytes);
        const std::function<void()> changes[] = {
            [&] { dialog.colorModeButton(ColorMode::twoColor)->click(); },
            [&] { dialog.sizeModel()->setWidth(64); },               // height follows
            [&] { dialog.colorModeButton(ColorMode::sixteenColor)->click(); },
        };
        for (const auto& change : changes) {
            const std::optional<model::PixelImage> before = dialog.previewImage();
            change();
            QVERIFY(dialog.isPreviewPending());
            QCOMPARE(dialog.previewImage(), before);  // the event handler stays short
            QTRY_VERIFY(!dialog.isPreviewPending());
            QCOMPARE(dialog.previewImage(), app::performImport(bytes, dialog.choices()));
        }
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
