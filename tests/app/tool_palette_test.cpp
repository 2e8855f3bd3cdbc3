#include <QLineEdit>
#include <QTest>

#include "app/document_window.h"
#include "app/tool_palette_widget.h"
#include "editor/editor_ui_state.h"
#include "editor/pixel_canvas_widget.h"
#include "document_test_support.h"

using pixmora::app::DocumentWindow;
using pixmora::app::ToolButton;
using pixmora::app::ToolPaletteWidget;
using pixmora::editor::EditorTool;
using pixmora::editor::EditorUIState;
using pixmora::test::Host;

class ToolPaletteTest : public QObject {
    Q_OBJECT

private slots:
    void buttonsCarryTitlesAndTips()
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
        }
    }

    void eachKeyPicksItsToolButNotDuringADragOrTyping()
    {
        Host host;
        DocumentWindow* window = host.open();
        auto* field = new QLineEdit(window->sideColumn());
        field->show();
        QVERIFY(QTest::qWaitForWindowActive(window));
        pixmora::editor::PixelCanvasWidget* canvas = window->mainCanvas();
        // A drag finishes with the tool it started with, and is written.
        const QPoint pixel(8, 8);  // inside pixel (0, 0) at zoom 16
        QTest::mousePress(canvas, Qt::LeftButton, {}, pixel);
        QTest::keyClick(canvas, Qt::Key_R);
        QCOMPARE(window->uiState()->currentTool(), EditorTool::pen);
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, pixel);
        QVERIFY(!canvas->controller().workingImage().has_value());
        QCOMPARE(window->document()->value().image.at(0, 0),
                 (pixmora::model::RGBAColor{0, 0, 0, 255}));
        const QList<std::pair<Qt::Key, EditorTool>> keys{
            {Qt::Key_R, EditorTool::rectangle}, {Qt::Key_G, EditorTool::bucket},
            {Qt::Key_E, EditorTool::eraser},    {Qt::Key_M, EditorTool::select},
            {Qt::Key_O, EditorTool::ellipse},   {Qt::Key_L, EditorTool::line},
            {Qt::Key_P, EditorTool::pen}};
        for (const auto& [key, tool] : keys) {
            QTest::keyClick(canvas, key);
            QCOMPARE(window->uiState()->currentTool(), tool);
        }
        field->setFocus();
        QTest::keyClicks(field, QStringLiteral("rgb"));
        QCOMPARE(field->text(), QStringLiteral("rgb"));
        QCOMPARE(window->uiState()->currentTool(), EditorTool::pen);
    }
};

QTEST_MAIN(ToolPaletteTest)
#include "tool_palette_test.moc"
