#include "app/tool_palette_widget.h"

#include <QCheckBox>
#include <QFrame>
#include <QPainter>
#include <QPainterPath>
#include <QShortcut>
#include <QVBoxLayout>

#include "app/app_resources.h"
#include "app/text_styles.h"

namespace pixmora::app {

using editor::EditorTool;
using editor::EditorUIState;

// ---- ToolButton ----

ToolButton::ToolButton(const QString& title, const QString& systemImage, QWidget* parent)
    : QAbstractButton(parent),
      m_systemImage(systemImage)
{
    initAppResources();
    setText(title);
    setToolTip(title);
    setFixedSize(cellWidth, cellHeight);
    // A click must not pull keyboard focus away from the canvas.
    setFocusPolicy(Qt::NoFocus);
    setFont(fixedSizeFont(titlePixelSize));
}

void ToolButton::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    update();
}

QSize ToolButton::sizeHint() const
{
    return {cellWidth, cellHeight};
}

QColor ToolButton::highlightColor(const QPalette& palette)
{
    QColor color = palette.color(QPalette::Active, QPalette::Highlight);
    color.setAlphaF(float(highlightOpacity));
    return color;
}

void ToolButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF cell(0, 0, cellWidth, cellHeight);
    QPainterPath clip;
    clip.addRoundedRect(cell, cornerRadius, cornerRadius);
    painter.setClipPath(clip);
    if (m_selected)
        painter.fillPath(clip, highlightColor(palette()));

    // Symbol over title, 2 apart, the pair centred in the cell.
    const QFontMetrics metrics(font());
    const int titleHeight = metrics.height();
    const int spacing = 2;
    const int top = (cellHeight - (symbolSize + spacing + titleHeight)) / 2;
    const QColor ink = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                       QPalette::ButtonText);
    const QPixmap symbol = symbolPixmap(m_systemImage, symbolSize, ink, devicePixelRatioF());
    if (!symbol.isNull())
        painter.drawPixmap(QPointF((cellWidth - symbolSize) / 2.0, top), symbol);
    painter.setPen(ink);
    painter.setFont(font());
    painter.drawText(QRectF(0, top + symbolSize + spacing, cellWidth, titleHeight),
                     Qt::AlignHCenter | Qt::AlignTop, text());
}

// ---- ToolPaletteWidget ----

QString ToolPaletteWidget::toolTitle(EditorTool tool)
{
    switch (tool) {
    case EditorTool::pen: return QStringLiteral("ペン");
    case EditorTool::bucket: return QStringLiteral("バケツ");
    case EditorTool::eraser: return QStringLiteral("消しゴム");
    case EditorTool::select: return QStringLiteral("選択");
    case EditorTool::rectangle: return QStringLiteral("四角形");
    case EditorTool::ellipse: return QStringLiteral("楕円");
    case EditorTool::line: return QStringLiteral("直線");
    }
    return {};
}

QString ToolPaletteWidget::toolSymbol(EditorTool tool)
{
    switch (tool) {
    case EditorTool::pen: return QStringLiteral("pencil");
    case EditorTool::bucket: return QStringLiteral("paintbrush.fill");
    case EditorTool::eraser: return QStringLiteral("eraser.fill");
    case EditorTool::select: return QStringLiteral("rectangle.dashed");
    case EditorTool::rectangle: return QStringLiteral("rectangle");
    case EditorTool::ellipse: return QStringLiteral("circle");
    case EditorTool::line: return QStringLiteral("line.diagonal");
    }
    return {};
}

QKeySequence ToolPaletteWidget::toolShortcut(EditorTool tool)
{
    // The letters pixel editors commonly use; none is a canvas key (Return,
    // Delete, Backspace, Escape) and every menu shortcut carries Ctrl.
    switch (tool) {
    case EditorTool::pen: return QKeySequence(Qt::Key_P);
    case EditorTool::bucket: return QKeySequence(Qt::Key_G);
    case EditorTool::eraser: return QKeySequence(Qt::Key_E);
    case EditorTool::select: return QKeySequence(Qt::Key_M);
    case EditorTool::rectangle: return QKeySequence(Qt::Key_R);
    case EditorTool::ellipse: return QKeySequence(Qt::Key_O);
    case EditorTool::line: return QKeySequence(Qt::Key_L);
    }
    return {};
}

bool ToolPaletteWidget::showsShapeOptions(EditorTool tool)
{
    return tool == EditorTool::rectangle || tool == EditorTool::ellipse;
}

ToolPaletteWidget::ToolPaletteWidget(EditorUIState* state, QWidget* parent)
    : QWidget(parent),
      m_state(state)
{
    initAppResources();
    setFixedWidth(paletteWidth);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 8, 0, 0);
    layout->setSpacing(12);

    for (std::size_t i = 0; i < editor::allEditorTools.size(); ++i) {
        const EditorTool tool = editor::allEditorTools[i];
        if (tool == EditorTool::rectangle) {
            auto* divider = new QFrame(this);
            divider->setFrameShape(QFrame::HLine);
            divider->setFrameShadow(QFrame::Sunken);
            auto* inset = new QWidget(this);
            auto* insetLayout = new QVBoxLayout(inset);
            insetLayout->setContentsMargins(4, 0, 4, 0);
            insetLayout->addWidget(divider);
            layout->addWidget(inset);
        }
        auto* toolButton = new ToolButton(toolTitle(tool), toolSymbol(tool), this);
        toolButton->setToolTip(toolTitle(tool));
        connect(toolButton, &ToolButton::clicked, this, [this, tool] { m_state->setCurrentTool(tool); });
        m_buttons[i] = toolButton;
        auto* key = new QShortcut(toolShortcut(tool), this);
        key->setContext(Qt::WindowShortcut);
        key->setAutoRepeat(false);
        connect(key, &QShortcut::activated, this, [this, tool] { chooseByKey(tool); });
        m_shortcuts[i] = key;
        layout->addWidget(toolButton, 0, Qt::AlignHCenter);
    }

    m_shapeOptions = new QWidget(this);
    auto* options = new QVBoxLayout(m_shapeOptions);
    options->setContentsMargins(0, 0, 0, 0);
    options->setSpacing(4);
    const QFont optionFont = fixedSizeFont(11);
    m_strokeCheckBox = new QCheckBox(QStringLiteral("枠線"), m_shapeOptions);
    m_fillCheckBox = new QCheckBox(QStringLiteral("塗り"), m_shapeOptions);
    for (QCheckBox* box : {m_strokeCheckBox, m_fillCheckBox}) {
        box->setFont(optionFont);
        box->setFocusPolicy(Qt::TabFocus);
        options->addWidget(box, 0, Qt::AlignLeft);
    }
    layout->addWidget(m_shapeOptions, 0, Qt::AlignHCenter);
    layout->addStretch(1);

    m_strokeCheckBox->setChecked(m_state->shapeStrokeEnabled());
    m_fillCheckBox->setChecked(m_state->shapeFillEnabled());
    connect(m_strokeCheckBox, &QCheckBox::toggled, m_state, &EditorUIState::setShapeStrokeEnabled);
    connect(m_fillCheckBox, &QCheckBox::toggled, m_state, &EditorUIState::setShapeFillEnabled);
    connect(m_state, &EditorUIState::shapeStrokeEnabledChanged, m_strokeCheckBox, &QCheckBox::setChecked);
    connect(m_state, &EditorUIState::shapeFillEnabledChanged, m_fillCheckBox, &QCheckBox::setChecked);
    connect(m_state, &EditorUIState::currentToolChanged, this, &ToolPaletteWidget::refreshTool);
    refreshTool();
}

ToolButton* ToolPaletteWidget::button(EditorTool tool) const
{
    for (std::size_t i = 0; i < editor::allEditorTools.size(); ++i) {
        if (editor::allEditorTools[i] == tool)
            return m_buttons[i];
    }
    return nullptr;
}

QShortcut* ToolPaletteWidget::shortcut(EditorTool tool) const
{
    for (std::size_t i = 0; i < editor::allEditorTools.size(); ++i) {
        if (editor::allEditorTools[i] == tool)
            return m_shortcuts[i];
    }
    return nullptr;
}

void ToolPaletteWidget::chooseByKey(EditorTool tool)
{
    if (m_toolKeyGuard && !m_toolKeyGuard())
        return;
    m_state->setCurrentTool(tool);
}

void ToolPaletteWidget::refreshTool()
{
    const EditorTool current = m_state->currentTool();
    for (std::size_t i = 0; i < editor::allEditorTools.size(); ++i)
        m_buttons[i]->setSelected(editor::allEditorTools[i] == current);
    m_shapeOptions->setVisible(showsShapeOptions(current));
}

}  // namespace pixmora::app
