#pragma once

#include <QAbstractButton>
#include <QKeySequence>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>

#include "editor/editor_ui_state.h"

class QCheckBox;
class QShortcut;

namespace pixmora::app {

// One tool: a 44 × 40 cell with the tool's symbol over its title, highlighted
// with the accent colour while selected. It keeps no state beyond what the
// palette tells it.
class ToolButton : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int cellWidth = 44;
    static constexpr int cellHeight = 40;
    static constexpr int symbolSize = 18;
    static constexpr int titlePixelSize = 9;
    static constexpr double cornerRadius = 6.0;
    static constexpr double highlightOpacity = 0.25;

    ToolButton(const QString& title, const QString& systemImage, QWidget* parent = nullptr);

    QString title() const { return text(); }
    QString systemImage() const { return m_systemImage; }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

    QSize sizeHint() const override;

    // The fill behind a selected button: the palette's accent colour at 25 %.
    static QColor highlightColor(const QPalette& palette);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_systemImage;
    bool m_selected = false;
};

// The tool column: the seven tools in their fixed order, a divider after the
// selection tool, and the outline/fill options while a rectangle or ellipse tool
// is current. Everything it shows and changes lives in the window's editor state.
// Each tool also has a single-key shortcut, live while the palette's window is
// active and no text field takes the key.
class ToolPaletteWidget : public QWidget {
    Q_OBJECT

public:
    static constexpr int paletteWidth = 60;

    explicit ToolPaletteWidget(editor::EditorUIState* state, QWidget* parent = nullptr);

    ToolButton* button(editor::EditorTool tool) const;
    QShortcut* shortcut(editor::EditorTool tool) const;
    QCheckBox* strokeCheckBox() const { return m_strokeCheckBox; }
    QCheckBox* fillCheckBox() const { return m_fillCheckBox; }
    // The container of the two check boxes; hidden unless rectangle or ellipse.
    QWidget* shapeOptions() const { return m_shapeOptions; }

    // Title and symbol name of a tool's button.
    static QString toolTitle(editor::EditorTool tool);
    static QString toolSymbol(editor::EditorTool tool);
    // Asked before a tool key takes effect; the window refuses while a canvas
    // gesture runs, which must end with the tool it started with.
    void setToolKeyGuard(std::function<bool()> allowed) { m_toolKeyGuard = std::move(allowed); }

    // The key that picks a tool: P, G, E, M, R, O, L in palette order.
    static QKeySequence toolShortcut(editor::EditorTool tool);
    // Whether the outline/fill options belong on screen for this tool.
    static bool showsShapeOptions(editor::EditorTool tool);

private:
    void refreshTool();
    void chooseByKey(editor::EditorTool tool);

    editor::EditorUIState* m_state = nullptr;
    std::array<ToolButton*, editor::allEditorTools.size()> m_buttons{};
    std::array<QShortcut*, editor::allEditorTools.size()> m_shortcuts{};
    std::function<bool()> m_toolKeyGuard;
    QWidget* m_shapeOptions = nullptr;
    QCheckBox* m_strokeCheckBox = nullptr;
    QCheckBox* m_fillCheckBox = nullptr;
};

}  // namespace pixmora::app
