#include <QColorDialog>
#include <QImage>
#include <QMouseEvent>
#include <QScrollArea>
#include <QTest>
#include <QToolButton>

#include "app/checker_color_settings_widget.h"
#include "app/color_palette_widget.h"
#include "app/color_swatch.h"
#include "document/platform_color.h"
#include "editor/editor_ui_state.h"
#include "model/color_mode.h"

using pixmora::app::CheckerColorSettingsWidget;
using pixmora::app::ClickableSwatch;
using pixmora::app::ColorPaletteWidget;
using pixmora::app::SwatchGridWidget;
using pixmora::app::SwatchOutline;
using pixmora::editor::EditorUIState;
using pixmora::model::ColorMode;
using pixmora::model::RGBAColor;

Q_DECLARE_METATYPE(ColorMode)

namespace {

// Content that counts the mouse events it is given.
class PressCounter : public QWidget {
public:
    int presses = 0;
    int releases = 0;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        ++presses;
        event->accept();
    }
    void mouseReleaseEvent(QMouseEvent*) override { ++releases; }
};

int channelDistance(QColor a, QColor b)
{
    return qMax(qMax(qAbs(a.red() - b.red()), qAbs(a.green() - b.green())), qAbs(a.blue() - b.blue()));
}

QColor mix(QColor under, QColor over, double opacity)
{
    return QColor::fromRgbF(float(under.redF() * (1 - opacity) + over.redF() * opacity),
                            float(under.greenF() * (1 - opacity) + over.greenF() * opacity),
                            float(under.blueF() * (1 - opacity) + over.blueF() * opacity));
}

QPoint cellCentre(const SwatchGridWidget* grid, int index)
{
    return grid->mapTo(grid->window(), grid->cellRect(index).center().toPoint());
}

}  // namespace

class ColorPaletteTest : public QObject {
    Q_OBJECT

private slots:
    void gridListsThePaletteAndTransparent_data()
    {
        QTest::addColumn<ColorMode>("mode");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("columns");
        QTest::addColumn<double>("cell");
        QTest::newRow("twoColor") << ColorMode::twoColor << 2 << 8 << 21.25;
        QTest::newRow("sixteenColor") << ColorMode::sixteenColor << 17 << 4 << 44.5;
        QTest::newRow("webSafe256") << ColorMode::webSafe256 << 237 << 16 << 9.625;
    }
    void gridListsThePaletteAndTransparent()
    {
        QFETCH(ColorMode, mode);
        QFETCH(int, count);
        QFETCH(int, columns);
        QFETCH(double, cell);
        const std::vector<RGBAColor> colors = ColorPaletteWidget::swatchColors(mode);
        QCOMPARE(int(colors.size()), count);
        QCOMPARE(colors.front(), pixmora::model::palette(mode).front());
        QCOMPARE(colors.back(), (RGBAColor{0, 0, 0, 0}));
        QCOMPARE(ColorPaletteWidget::columnCount(mode), columns);
        QCOMPARE(ColorPaletteWidget::cellSize(184, columns, 2), cell);

        // The panel in a side column that leaves it 184 wide.
        EditorUIState state;
        ColorPaletteWidget panel(&state);
        panel.setColorMode(mode);
        panel.resize(184, 500);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        const SwatchGridWidget* grid = panel.grid();
        QCOMPARE(grid->width(), 184);
        QCOMPARE(grid->count(), count);
        QCOMPARE(grid->cellSize(), cell);
        // Row-major: the entry after a full row starts the next row at the left.
        for (int i = 0; i < count; ++i) {
            const QRectF rect = grid->cellRect(i);
            QCOMPARE(rect.width(), cell);
            QCOMPARE(rect.height(), cell);
            QCOMPARE(rect.left(), grid->cellRect(i % columns).left());
            QCOMPARE(rect.top(), (i / columns) * (cell + 2));
        }
        QVERIFY(grid->swatch(count - 1)->geometry().bottom() < grid->height());
        QCOMPARE(ColorPaletteWidget::cellSize(40, 16, 2), 4.0);  // never below four
    }

    void outlinesFollowTheTwoColours()
    {
        const RGBAColor black{0, 0, 0, 255};
        const RGBAColor clear{0, 0, 0, 0};
        const RGBAColor red{255, 0, 0, 255};
        QCOMPARE(pixmora::app::swatchOutline(black, black, clear), SwatchOutline::accent);
        QCOMPARE(pixmora::app::swatchOutline(clear, black, clear), SwatchOutline::halfAccent);
        QCOMPARE(pixmora::app::swatchOutline(red, black, clear), SwatchOutline::plain);
        QCOMPARE(pixmora::app::swatchOutline(black, black, black), SwatchOutline::accent);
        // Equality takes alpha into account.
        QCOMPARE(pixmora::app::swatchOutline(RGBAColor{0, 0, 0, 128}, black, clear), SwatchOutline::plain);
    }

    void defaultStateOutlinesBothBlacksAndTransparent()
    {
        EditorUIState state;
        SwatchGridWidget grid(&state, 2);
        grid.setColorMode(ColorMode::webSafe256);
        QList<int> accents;
        QList<int> halves;
        for (int i = 0; i < grid.count(); ++i) {
            const SwatchOutline outline = grid.swatchView(i)->outline();
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
        QCOMPARE(grid.swatchView(0)->outline(), SwatchOutline::plain);
        QCOMPARE(grid.swatchView(1)->outline(), SwatchOutline::halfAccent);
    }

    void renderedOutlinesAndCheckerboard()
    {
        EditorUIState state;
        state.setCheckerDarkColor(RGBAColor{255, 0, 0, 255});
        state.setCheckerLightColor(RGBAColor{0, 0, 255, 255});
        SwatchGridWidget grid(&state, 2);
        grid.setColorMode(ColorMode::sixteenColor);
        grid.resize(184, 300);
        const QImage image = grid.grab().toImage();
        const QColor accent = grid.palette().color(QPalette::Active, QPalette::Highlight);

        // Black (drawing colour): the full accent line covers the cell's edge pixels.
        const QRect black = grid.swatch(0)->geometry();
        QVERIFY(channelDistance(image.pixelColor(black.left(), black.center().y()), accent) <= 2);
        QVERIFY(channelDistance(image.pixelColor(black.center()), Qt::black) <= 1);

        // Transparent (background colour): dark top-left and bottom-right quadrants,
        // half accent at the edge.
        const QRect clear = grid.swatch(16)->geometry();
        const QPoint quarter(clear.width() / 4, clear.height() / 4);
        QCOMPARE(image.pixelColor(clear.topLeft() + quarter), QColor(Qt::red));
        QCOMPARE(image.pixelColor(clear.bottomRight() - quarter), QColor(Qt::red));
        QCOMPARE(image.pixelColor(clear.left() + 3 * quarter.x(), clear.top() + quarter.y()), QColor(Qt::blue));
        const QColor halfEdge = image.pixelColor(clear.left(), clear.top() + quarter.y());
        QVERIFY(channelDistance(halfEdge, mix(Qt::red, accent, 0.5)) <= 3);

        // Any other colour: a thin grey line, not accent.
        const QRect other = grid.swatch(5)->geometry();
        const QColor fill = pixmora::app::toDisplayColor(grid.colorAt(5));
        const QColor thinEdge = image.pixelColor(other.left(), other.center().y());
        QVERIFY(channelDistance(thinEdge, mix(fill, QColor(Qt::gray), 0.3)) <= 3);
    }

    void pressesSetOneColourEach()
    {
        EditorUIState state;
        ColorPaletteWidget panel(&state);
        panel.setColorMode(ColorMode::sixteenColor);
        panel.resize(184, 400);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        const SwatchGridWidget* grid = panel.grid();
        QWindow* window = panel.windowHandle();

        // Through the window, so the press finds its cell as a real one would.
        QTest::mousePress(window, Qt::LeftButton, {}, cellCentre(grid, 3));
        QCOMPARE(state.currentColor(), grid->colorAt(3));
        QCOMPARE(state.secondaryColor(), (RGBAColor{0, 0, 0, 0}));
        QTest::mouseRelease(window, Qt::LeftButton, {}, cellCentre(grid, 3));

        QTest::mousePress(window, Qt::RightButton, {}, cellCentre(grid, 7));
        QCOMPARE(state.secondaryColor(), grid->colorAt(7));
        QCOMPARE(state.currentColor(), grid->colorAt(3));
        QTest::mouseRelease(window, Qt::RightButton, {}, cellCentre(grid, 7));

        QCOMPARE(panel.currentColorSwatch()->color(), grid->colorAt(3));
        QCOMPARE(panel.secondaryColorSwatch()->color(), grid->colorAt(7));
        QCOMPARE(grid->swatchView(3)->outline(), SwatchOutline::accent);
        QCOMPARE(grid->swatchView(7)->outline(), SwatchOutline::halfAccent);
    }

    void clickableSwatchKeepsPressesFromItsContent()
    {
        auto* content = new PressCounter;
        ClickableSwatch swatch(content);
        swatch.resize(20, 20);
        int left = 0;
        int right = 0;
        swatch.setOnLeftClick([&left] { ++left; });
        swatch.setOnRightClick([&right] { ++right; });

        QTest::mousePress(&swatch, Qt::LeftButton);
        QCOMPARE(left, 1);  // at the press, before any release
        QTest::mouseRelease(&swatch, Qt::LeftButton);
        QTest::mousePress(content, Qt::RightButton);
        QTest::mousePress(content, Qt::LeftButton);
        QCOMPARE(left, 2);
        QCOMPARE(right, 1);
        QCOMPARE(content->presses, 0);

        // Other buttons and releases keep their usual way.
        QTest::mousePress(content, Qt::MiddleButton);
        QTest::mouseRelease(content, Qt::LeftButton);
        QCOMPARE(content->presses, 1);
        QCOMPARE(content->releases, 1);
        QCOMPARE(left + right, 3);
    }

    void headerTextsAndCheckerPopover()
    {
        EditorUIState state;
        ColorPaletteWidget panel(&state);
        panel.resize(184, 400);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QCOMPARE(panel.checkerButton()->toolTip(), QStringLiteral("透明表示の色を変更"));
        QCOMPARE(panel.currentColorSwatch()->toolTip(), QStringLiteral("描画色（左クリックで描画）"));
        QCOMPARE(panel.secondaryColorSwatch()->toolTip(), QStringLiteral("背景色（右クリックで描画）"));
        QCOMPARE(panel.currentColorSwatch()->color(), (RGBAColor{0, 0, 0, 255}));
        QCOMPARE(panel.secondaryColorSwatch()->color(), (RGBAColor{0, 0, 0, 0}));

        QVERIFY(!panel.showsCheckerSettings());
        panel.checkerButton()->click();
        QVERIFY(panel.showsCheckerSettings());
        CheckerColorSettingsWidget* popover = panel.checkerSettings();
        QVERIFY(popover->isVisible());
        panel.checkerButton()->click();  // opens, never toggles
        QVERIFY(popover->isVisible());
        popover->close();
        QVERIFY(!panel.showsCheckerSettings());
    }

    void wellsWriteBackThroughFromPlatformColor()
    {
        EditorUIState state;
        ColorPaletteWidget panel(&state);
        CheckerColorSettingsWidget* popover = panel.checkerSettings();
        popover->applyLightColor(QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.5f));
        QCOMPARE(state.checkerLightColor(), (RGBAColor{255, 255, 255, 128}));
        popover->applyDarkColor(QColor(Qt::white));
        QCOMPARE(state.checkerDarkColor(), (RGBAColor{255, 255, 255, 255}));
        QCOMPARE(popover->lightWell()->color().alpha(), 128);
        QCOMPARE(state.checkerLightColor(), pixmora::document::fromPlatformColor(popover->lightWell()->color()));
    }

    void wellDialogAppliesAtOnceAndCancelRestores()
    {
        EditorUIState state;
        ColorPaletteWidget panel(&state);
        CheckerColorSettingsWidget* popover = panel.checkerSettings();
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
