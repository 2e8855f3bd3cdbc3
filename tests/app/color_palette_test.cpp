#include <QColorDialog>
#include <QTest>
#include <QToolButton>

#include "app/checker_color_settings_widget.h"
#include "app/color_palette_widget.h"
#include "app/color_swatch.h"
#include "document/platform_color.h"
#include "editor/editor_ui_state.h"
#include "model/color_mode.h"

using namespace pixmora::app;
using pixmora::editor::EditorUIState;
using pixmora::model::ColorMode;
using pixmora::model::RGBAColor;

namespace {

constexpr RGBAColor kBlack{0, 0, 0, 255};
constexpr RGBAColor kClear{0, 0, 0, 0};

// A panel shown 184 wide, as the side column leaves it.
struct ShownPanel {
    EditorUIState state;
    ColorPaletteWidget panel{&state};

    explicit ShownPanel(ColorMode mode)
    {
        panel.setColorMode(mode);
        panel.resize(184, 500);
        panel.show();
    }
};

}  // namespace

class ColorPaletteTest : public QObject {
    Q_OBJECT

private slots:
    void gridListsThePaletteAndTransparent()
    {
        const struct {
            ColorMode mode;
            int count;
            int columns;
            double cell;
        } rows[] = {{ColorMode::twoColor, 2, 8, 21.25},
                    {ColorMode::sixteenColor, 17, 4, 44.5},
                    {ColorMode::webSafe256, 237, 16, 9.625}};
        for (const auto& [mode, count, columns, cell] : rows) {
            ShownPanel shown(mode);
            QVERIFY(QTest::qWaitForWindowExposed(&shown.panel));
            SwatchGridWidget* grid = shown.panel.grid();
            QCOMPARE(grid->width(), 184);
            QCOMPARE(grid->count(), count);
            QCOMPARE(grid->colorAt(0), pixmora::model::palette(mode).front());
            QCOMPARE(grid->colorAt(count - 1), kClear);
            // Row-major: the entry after a full row starts the next row at the left.
            for (int i = 0; i < count; ++i) {
                const QRectF rect = grid->cellRect(i);
                QCOMPARE(rect.size(), QSizeF(cell, cell));
                QCOMPARE(rect.left(), grid->cellRect(i % columns).left());
                QCOMPARE(rect.top(), (i / columns) * (cell + 2));
            }
            QVERIFY(grid->cellGeometry(count - 1).bottom() < grid->height());
            // Each cell shows its colour; the transparent one the checker.
            const QImage shot = grid->grab().toImage();
            for (const int i : {0, (count - 1) / 2})
                QCOMPARE(shot.pixelColor(grid->cellGeometry(i).center()),
                         toDisplayColor(grid->colorAt(i)));
            const QRect clear = grid->cellGeometry(count - 1);
            if (clear.width() > 16) {  // room for the checker inside the outline
                const QPoint quarter(clear.width() / 4, clear.height() / 4);
                QCOMPARE(shot.pixelColor(clear.center() - quarter), QColor(200, 200, 200));
                QCOMPARE(shot.pixelColor(clear.center() + QPoint(quarter.x(), -quarter.y())),
                         QColor(235, 235, 235));
            }
        }
        QCOMPARE(ColorPaletteWidget::cellSize(40, 16, 2), 4.0);  // never below four
    }

    void outlinesMarkBothBlacksTransparentAndNothingElse()
    {
        // Equality takes alpha into account.
        QCOMPARE(swatchOutline(RGBAColor{0, 0, 0, 128}, kBlack, kClear),
                 SwatchOutline::plain);
        QCOMPARE(swatchOutline(kBlack, kBlack, kBlack), SwatchOutline::accent);
        EditorUIState state;
        SwatchGridWidget grid(&state, 2);
        grid.setColorMode(ColorMode::webSafe256);
        QList<int> accents;
        QList<int> halves;
        for (int i = 0; i < grid.count(); ++i) {
            const SwatchOutline outline = grid.outline(i);
            if (outline == SwatchOutline::accent)
                accents << i;
            else if (outline == SwatchOutline::halfAccent)
                halves << i;
        }
        QCOMPARE(accents, (QList<int>{0, 216}));
        QCOMPARE(halves, QList<int>{236});
        // A mode change keeps colours the new grid does not offer, unmarked.
        state.setCurrentColor(RGBAColor{51, 102, 153, 255});
        grid.setColorMode(ColorMode::twoColor);
        QCOMPARE(state.currentColor(), (RGBAColor{51, 102, 153, 255}));
        QCOMPARE(grid.outline(0), SwatchOutline::plain);
        QCOMPARE(grid.outline(1), SwatchOutline::halfAccent);
    }

    void pressesSetOneColourEach()
    {
        ShownPanel shown(ColorMode::sixteenColor);
        QVERIFY(QTest::qWaitForWindowExposed(&shown.panel));
        const EditorUIState& state = shown.state;
        const SwatchGridWidget* grid = shown.panel.grid();
        QWindow* window = shown.panel.windowHandle();
        const auto centre = [grid](int i) {
            return grid->mapTo(grid->window(), grid->cellRect(i).center().toPoint());
        };
        // Through the window, so the press finds its cell as a real one would;
        // the colour is taken at the press, before any release.
        QTest::mousePress(window, Qt::LeftButton, {}, centre(3));
        QCOMPARE(state.currentColor(), grid->colorAt(3));
        QCOMPARE(state.secondaryColor(), kClear);
        QTest::mouseRelease(window, Qt::LeftButton, {}, centre(3));
        QTest::mousePress(window, Qt::RightButton, {}, centre(7));
        QCOMPARE(state.secondaryColor(), grid->colorAt(7));
        QCOMPARE(state.currentColor(), grid->colorAt(3));
        QTest::mouseRelease(window, Qt::RightButton, {}, centre(7));
        // Neither the gap between two cells nor another button picks a colour.
        const QPoint gap = grid->mapTo(grid->window(), QPoint(grid->cellGeometry(1).left() - 1,
                                                              grid->cellGeometry(1).center().y()));
        QTest::mousePress(window, Qt::LeftButton, {}, gap);
        QTest::mouseRelease(window, Qt::LeftButton, {}, gap);
        QTest::mousePress(window, Qt::MiddleButton, {}, centre(5));
        QTest::mouseRelease(window, Qt::MiddleButton, {}, centre(5));
        QCOMPARE(state.currentColor(), grid->colorAt(3));
        QTest::mouseDClick(window, Qt::LeftButton, {}, centre(4));
        QCOMPARE(state.currentColor(), grid->colorAt(4));
        QTest::mouseClick(window, Qt::LeftButton, {}, centre(3));
        QCOMPARE(shown.panel.currentColorSwatch()->color(), grid->colorAt(3));
        QCOMPARE(shown.panel.secondaryColorSwatch()->color(), grid->colorAt(7));
        QCOMPARE(grid->outline(3), SwatchOutline::accent);
        QCOMPARE(grid->outline(7), SwatchOutline::halfAccent);
    }

    void headerTextsAndCheckerPopoverWells()
    {
        ShownPanel shown(ColorMode::webSafe256);
        ColorPaletteWidget& panel = shown.panel;
        const EditorUIState& state = shown.state;
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QCOMPARE(panel.checkerButton()->toolTip(), QStringLiteral("透明表示の色を変更"));
        QCOMPARE(panel.currentColorSwatch()->toolTip(),
                 QStringLiteral("描画色（左クリックで描画）"));
        QCOMPARE(panel.secondaryColorSwatch()->toolTip(),
                 QStringLiteral("背景色（右クリックで描画）"));
        QCOMPARE(panel.currentColorSwatch()->color(), kBlack);
        QCOMPARE(panel.secondaryColorSwatch()->color(), kClear);
        QVERIFY(!panel.showsCheckerSettings());
        panel.checkerButton()->click();
        QVERIFY(panel.showsCheckerSettings());
        CheckerColorSettingsWidget* popover = panel.checkerSettings();
        QVERIFY(popover->isVisible());
        panel.checkerButton()->click();  // opens, never toggles
        QVERIFY(popover->isVisible());
        popover->close();
        QVERIFY(!panel.showsCheckerSettings());
        // The wells write through at once; the dialog's Cancel restores.
        popover->applyLightColor(QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.5f));
        QCOMPARE(state.checkerLightColor(), (RGBAColor{255, 255, 255, 128}));
        QCOMPARE(state.checkerLightColor(),
                 pixmora::document::fromPlatformColor(popover->lightWell()->color()));
        popover->darkWell()->click();
        QColorDialog* dialog = popover->openDialog();
        QVERIFY(dialog != nullptr);
        QVERIFY(dialog->testOption(QColorDialog::ShowAlphaChannel));
        dialog->setCurrentColor(QColor(10, 20, 30, 40));
        QCOMPARE(state.checkerDarkColor(), (RGBAColor{10, 20, 30, 40}));
        dialog->reject();
        QCOMPARE(state.checkerDarkColor(), (RGBAColor{200, 200, 200, 255}));
        popover->lightWell()->click();
        popover->openDialog()->setCurrentColor(QColor(1, 2, 3));
        popover->openDialog()->accept();
        QCOMPARE(state.checkerLightColor(), (RGBAColor{1, 2, 3, 255}));
    }
};

QTEST_MAIN(ColorPaletteTest)
#include "color_palette_test.moc"
