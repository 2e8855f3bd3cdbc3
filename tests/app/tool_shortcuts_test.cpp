#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QShortcut>
#include <QTemporaryDir>
#include <QTest>

#include "app/document_controller.h"
#include "app/document_window.h"
#include "app/new_canvas_dialog.h"
#include "app/tool_palette_widget.h"
#include "editor/editor_ui_state.h"
#include "editor/pixel_canvas_widget.h"
#include "document_test_support.h"

using pixmora::app::DocumentController;
using pixmora::app::DocumentWindow;
using pixmora::app::ToolPaletteWidget;
using pixmora::editor::EditorTool;
using pixmora::model::PixelRect;
using pixmora::test::FakeInteraction;

namespace {

struct Host {
    DocumentController controller{std::make_unique<FakeInteraction>()};
    QTemporaryDir dir;

    DocumentWindow* open()
    {
        const QString path = pixmora::test::writeSample(QDir(dir.path()), QStringLiteral("t.png"));
        return controller.openFiles({path}).value(0);
    }
};

}  // namespace

class ToolShortcutsTest : public QObject {
    Q_OBJECT

private slots:
    void eachKeyPicksItsTool()
    {
        Host host;
        DocumentWindow* window = host.open();
        QVERIFY(QTest::qWaitForWindowActive(window));
        const QList<std::pair<Qt::Key, EditorTool>> keys{
            {Qt::Key_G, EditorTool::bucket},    {Qt::Key_E, EditorTool::eraser},
            {Qt::Key_M, EditorTool::select},    {Qt::Key_R, EditorTool::rectangle},
            {Qt::Key_O, EditorTool::ellipse},   {Qt::Key_L, EditorTool::line},
            {Qt::Key_P, EditorTool::pen}};
        for (const auto& [key, tool] : keys) {
            QTest::keyClick(window->mainCanvas(), key);
            QCOMPARE(window->uiState()->currentTool(), tool);
        }
        // The same key again is the same tool: the selection rule keeps it.
        window->uiState()->setCurrentTool(EditorTool::select);
        window->uiState()->setSelectionRect(PixelRect{0, 0, 2, 2});
        QTest::keyClick(window->mainCanvas(), Qt::Key_M);
        QVERIFY(window->uiState()->selectionRect().has_value());
    }

    void keysCollideWithNoOtherShortcutOrCanvasKey()
    {
        Host host;
        DocumentWindow* window = host.open();
        QList<QKeySequence> taken;
        for (QAction* action : window->findChildren<QAction*>())
            taken << action->shortcuts();
        for (const Qt::Key canvasKey : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Backspace,
                                        Qt::Key_Delete, Qt::Key_Escape})
            taken << QKeySequence(canvasKey);
        QList<QKeySequence> tools;
        for (EditorTool tool : pixmora::editor::allEditorTools) {
            const QKeySequence key = ToolPaletteWidget::toolShortcut(tool);
            QCOMPARE(key.count(), 1);
            QCOMPARE(key[0].keyboardModifiers(), Qt::NoModifier);
            QVERIFY2(!taken.contains(key), qPrintable(key.toString()));
            QVERIFY2(!tools.contains(key), qPrintable(key.toString()));
            tools << key;
        }
    }

    void typingInATextFieldKeepsTheTool()
    {
        Host host;
        DocumentWindow* window = host.open();
        auto* field = new QLineEdit(window->sideColumn());
        field->show();
        QVERIFY(QTest::qWaitForWindowActive(window));
        field->setFocus();
        QTest::keyClicks(field, QStringLiteral("rgb"));
        QCOMPARE(field->text(), QStringLiteral("rgb"));
        QCOMPARE(window->uiState()->currentTool(), EditorTool::pen);
    }

    void keysWaitWhileTheNewCanvasSheetIsUp()
    {
        Host host;
        DocumentWindow* window = host.controller.newDocument();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTRY_VERIFY(window->newCanvasSheet() != nullptr);
        pixmora::app::NewCanvasDialog* sheet = window->newCanvasSheet();
        QVERIFY(QTest::qWaitForWindowActive(sheet));
        QTest::keyClick(sheet, Qt::Key_E);
        QCOMPARE(window->uiState()->currentTool(), EditorTool::pen);
    }

    void aDragFinishesWithTheToolItStartedWith()
    {
        Host host;
        DocumentWindow* window = host.open();
        QVERIFY(QTest::qWaitForWindowActive(window));
        pixmora::editor::PixelCanvasWidget* canvas = window->mainCanvas();
        const QPoint pixel(8, 8);  // inside pixel (0, 0) at zoom 16
        QTest::mousePress(canvas, Qt::LeftButton, {}, pixel);
        QVERIFY(canvas->isGestureActive());
        QTest::keyClick(canvas, Qt::Key_R);
        QCOMPARE(window->uiState()->currentTool(), EditorTool::pen);
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, pixel);
        // The stroke was written as one step, not left hanging.
        QVERIFY(!canvas->controller().workingImage().has_value());
        QCOMPARE(window->document()->value().image.at(0, 0),
                 (pixmora::model::RGBAColor{0, 0, 0, 255}));
        QTest::keyClick(canvas, Qt::Key_R);
        QCOMPARE(window->uiState()->currentTool(), EditorTool::rectangle);
    }
};

QTEST_MAIN(ToolShortcutsTest)
#include "tool_shortcuts_test.moc"
