#include <QCheckBox>
#include <QImage>
#include <QTest>

#include "app/app_resources.h"
#include "app/tool_palette_widget.h"
#include "editor/editor_ui_state.h"

using pixmora::app::ToolButton;
using pixmora::app::ToolPaletteWidget;
using pixmora::editor::EditorTool;
using pixmora::editor::EditorUIState;
using pixmora::model::PixelRect;

Q_DECLARE_METATYPE(EditorTool)

namespace {

QList<EditorTool> selectedTools(const ToolPaletteWidget& palette)
{
    QList<EditorTool> tools;
    for (EditorTool tool : pixmora::editor::allEditorTools) {
        if (palette.button(tool)->isSelected())
            tools << tool;
    }
    return tools;
}

int channelDistance(QColor a, QColor b)
{
    return qMax(qMax(qAbs(a.red() - b.red()), qAbs(a.green() - b.green())), qAbs(a.blue() - b.blue()));
}

}  // namespace

class ToolPaletteTest : public QObject {
    Q_OBJECT

private slots:
    void opensWithThePenAloneHighlighted()
    {
        EditorUIState state;
        ToolPaletteWidget palette(&state);
        QCOMPARE(selectedTools(palette), QList<EditorTool>{EditorTool::pen});
        QVERIFY(palette.shapeOptions()->isHidden());
    }

    void buttonsCarryTitlesSizesAndIcons()
    {
        EditorUIState state;
        ToolPaletteWidget palette(&state);
        const QStringList titles{"ペン", "バケツ", "消しゴム", "選択", "四角形", "楕円", "直線"};
        const QStringList tips{"ペン (P)", "バケツ (G)", "消しゴム (E)", "選択 (M)",
                               "四角形 (R)", "楕円 (O)", "直線 (L)"};
        for (std::size_t i = 0; i < pixmora::editor::allEditorTools.size(); ++i) {
            ToolButton* button = palette.button(pixmora::editor::allEditorTools[i]);
            QCOMPARE(button->title(), titles[int(i)]);
            QCOMPARE(button->toolTip(), tips[int(i)]);
            const QImage symbol = pixmora::app::symbolPixmap(button->systemImage(), 18, Qt::black).toImage();
            QVERIFY2(!symbol.isNull(), qPrintable(button->systemImage()));
            int inked = 0;
            for (int y = 0; y < symbol.height(); ++y)
                for (int x = 0; x < symbol.width(); ++x)
                    inked += qAlpha(symbol.pixel(x, y)) > 128;
            QVERIFY2(inked > 10, qPrintable(button->systemImage()));
        }
        for (const char* extra : {"checkerboard.rectangle", "questionmark.circle"})
            QVERIFY(!pixmora::app::symbolPixmap(extra, 18, Qt::black).isNull());
    }

    void clickingMovesTheHighlightAndShapeOptions_data()
    {
        QTest::addColumn<EditorTool>("tool");
        QTest::addColumn<bool>("options");
        QTest::newRow("bucket") << EditorTool::bucket << false;
        QTest::newRow("rectangle") << EditorTool::rectangle << true;
        QTest::newRow("ellipse") << EditorTool::ellipse << true;
    }
    void clickingMovesTheHighlightAndShapeOptions()
    {
        QFETCH(EditorTool, tool);
        QFETCH(bool, options);
        EditorUIState state;
        ToolPaletteWidget palette(&state);
        QTest::mouseClick(palette.button(tool), Qt::LeftButton);
        QCOMPARE(state.currentTool(), tool);
        QCOMPARE(selectedTools(palette), QList<EditorTool>{tool});
        QCOMPARE(!palette.shapeOptions()->isHidden(), options);
    }

    void selectionSurvivesOnlyTheSameTool()
    {
        EditorUIState state;
        ToolPaletteWidget palette(&state);
        state.setCurrentTool(EditorTool::select);
        state.setSelectionRect(PixelRect{1, 2, 3, 4});
        QTest::mouseClick(palette.button(EditorTool::select), Qt::LeftButton);
        QVERIFY(state.selectionRect().has_value());
        QTest::mouseClick(palette.button(EditorTool::rectangle), Qt::LeftButton);
        QVERIFY(!state.selectionRect().has_value());
    }

    void shapeOptionsAreBoundAndOutliveToolSwitches()
    {
        EditorUIState state;
        ToolPaletteWidget palette(&state);
        QTest::mouseClick(palette.button(EditorTool::rectangle), Qt::LeftButton);
        QVERIFY(palette.strokeCheckBox()->isChecked());
        QVERIFY(!palette.fillCheckBox()->isChecked());

        palette.strokeCheckBox()->click();
        QVERIFY(!state.shapeStrokeEnabled());
        QVERIFY(!state.shapeFillEnabled());  // both off is allowed

        QTest::mouseClick(palette.button(EditorTool::line), Qt::LeftButton);
        QVERIFY(palette.shapeOptions()->isHidden());
        state.setShapeFillEnabled(true);
        QTest::mouseClick(palette.button(EditorTool::ellipse), Qt::LeftButton);
        QVERIFY(!palette.shapeOptions()->isHidden());
        QVERIFY(!palette.strokeCheckBox()->isChecked());
        QVERIFY(palette.fillCheckBox()->isChecked());
    }

    void highlightIsAccentAtQuarterOpacityWithRoundCorners()
    {
        EditorUIState state;
        ToolPaletteWidget palette(&state);
        palette.resize(60, 500);
        const QImage image = palette.grab().toImage();
        const QColor background = palette.palette().color(QPalette::Window);
        const QColor accent = palette.palette().color(QPalette::Active, QPalette::Highlight);
        const QColor expected((background.red() * 3 + accent.red()) / 4,
                              (background.green() * 3 + accent.green()) / 4,
                              (background.blue() * 3 + accent.blue()) / 4);

        // A point in the selected cell away from its symbol, title and corners,
        // and the same point in an unselected cell.
        const QPoint inCell(3, 20);
        const QPoint pen = palette.button(EditorTool::pen)->geometry().topLeft();
        const QPoint bucket = palette.button(EditorTool::bucket)->geometry().topLeft();
        QVERIFY(channelDistance(image.pixelColor(pen + inCell), expected) <= 2);
        QVERIFY(channelDistance(image.pixelColor(bucket + inCell), background) <= 1);
        // The rounded corner leaves the very corner pixel unfilled.
        QVERIFY(channelDistance(image.pixelColor(pen), background) <= 1);
    }
};

QTEST_MAIN(ToolPaletteTest)
#include "tool_palette_test.moc"
