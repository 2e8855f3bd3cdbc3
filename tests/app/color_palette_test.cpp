#include <QTest>
#include <QToolButton>

#include "app/color_palette_widget.h"
#include "app/color_swatch.h"
#include "editor/editor_ui_state.h"
#include "model/color_mode.h"

using namespace pixmora::app;
using pixmora::editor::EditorUIState;
using pixmora::model::ColorMode;
using pixmora::model::RGBAColor;

namespace {

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
        const std::pair<ColorMode, int> rows[] = {
            {ColorMode::twoColor, 2}, {ColorMode::sixteenColor, 17}, {ColorMode::webSafe256, 237}};
        for (const auto& [mode, count] : rows) {
            ShownPanel shown(mode);
            QVERIFY(QTest::qWaitForWindowExposed(&shown.panel));
            SwatchGridWidget* grid = shown.panel.grid();
            QCOMPARE(grid->count(), count);
            QCOMPARE(grid->colorAt(0), pixmora::model::palette(mode).front());
            QCOMPARE(grid->colorAt(count - 1), kClear);
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
        QCOMPARE(shown.panel.secondaryColorSwatch()->color(), grid->colorAt(7));
        QCOMPARE(grid->outline(7), SwatchOutline::halfAccent);
    }

    void headerTexts()
    {
        ShownPanel shown(ColorMode::webSafe256);
        ColorPaletteWidget& panel = shown.panel;
        QCOMPARE(panel.checkerButton()->toolTip(), QStringLiteral("透明表示の色を変更"));
        QCOMPARE(panel.currentColorSwatch()->toolTip(),
                 QStringLiteral("描画色（左クリックで描画）"));
        QCOMPARE(panel.secondaryColorSwatch()->toolTip(),
                 QStringLiteral("背景色（右クリックで描画）"));
    }
};

QTEST_MAIN(ColorPaletteTest)
#include "color_palette_test.moc"
