#include "app/checker_color_settings_widget.h"

#include <QColorDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

#include "app/color_swatch.h"
#include "app/text_styles.h"
#include "document/platform_color.h"
#include "editor/editor_ui_state.h"

namespace pixmora::app {

// ---- ColorWell ----

ColorWell::ColorWell(QWidget* parent)
    : QAbstractButton(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

void ColorWell::setColor(const QColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

QSize ColorWell::sizeHint() const
{
    return {44, 24};
}

void ColorWell::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(frame, 4, 4);
    painter.save();
    painter.setClipPath(shape);
    paintCheckerboard(painter, frame, Qt::white, QColor(204, 204, 204));
    painter.fillPath(shape, m_color);
    painter.restore();
    painter.setPen(QPen(palette().color(hasFocus() ? QPalette::Highlight : QPalette::Mid), 1.0));
    painter.drawPath(shape);
}

// ---- CheckerColorSettingsWidget ----

CheckerColorSettingsWidget::CheckerColorSettingsWidget(editor::EditorUIState* state, QWidget* parent)
    : QFrame(parent, Qt::Popup),
      m_state(state)
{
    // A popup has no window frame of its own; without one it melts into the panel.
    setFrameShape(QFrame::StyledPanel);
    setFixedWidth(popoverWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(12);

    auto* heading = new QLabel(QStringLiteral("透明表示の色"), this);
    heading->setFont(headlineFont());
    layout->addWidget(heading);

    auto addWellRow = [this, layout](const QString& label) {
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(label, this));
        row->addStretch(1);
        auto* well = new ColorWell(this);
        well->setToolTip(label);
        row->addWidget(well);
        layout->addLayout(row);
        return well;
    };
    m_lightWell = addWellRow(QStringLiteral("明るい色"));
    m_darkWell = addWellRow(QStringLiteral("暗い色"));

    connect(m_lightWell, &ColorWell::clicked, this, [this] {
        openColorDialog(m_lightWell, QStringLiteral("明るい色"), &CheckerColorSettingsWidget::applyLightColor);
    });
    connect(m_darkWell, &ColorWell::clicked, this, [this] {
        openColorDialog(m_darkWell, QStringLiteral("暗い色"), &CheckerColorSettingsWidget::applyDarkColor);
    });
    connect(m_state, &editor::EditorUIState::checkerLightColorChanged, this, &CheckerColorSettingsWidget::refresh);
    connect(m_state, &editor::EditorUIState::checkerDarkColorChanged, this, &CheckerColorSettingsWidget::refresh);
    refresh();
}

void CheckerColorSettingsWidget::popUp(QWidget* anchor)
{
    m_anchor = anchor;
    adjustSize();
    const QRect anchorRect(anchor->mapToGlobal(QPoint(0, 0)), anchor->size());
    QPoint position(anchorRect.right() - width() + 1, anchorRect.bottom() + 4);
    if (const QScreen* screen = anchor->screen()) {
        const QRect available = screen->availableGeometry();
        if (position.y() + height() > available.bottom())
            position.setY(anchorRect.top() - height() - 4);
        position.setX(qBound(available.left(), position.x(), qMax(available.left(), available.right() - width())));
    }
    move(position);
    show();
}

void CheckerColorSettingsWidget::applyLightColor(const QColor& color)
{
    m_state->setCheckerLightColor(document::fromPlatformColor(color));
}

void CheckerColorSettingsWidget::applyDarkColor(const QColor& color)
{
    m_state->setCheckerDarkColor(document::fromPlatformColor(color));
}

void CheckerColorSettingsWidget::showEvent(QShowEvent* event)
{
    QFrame::showEvent(event);
    emit opened();
}

void CheckerColorSettingsWidget::hideEvent(QHideEvent* event)
{
    QFrame::hideEvent(event);
    emit closed();
}

void CheckerColorSettingsWidget::openColorDialog(ColorWell* well, const QString& title, Apply apply)
{
    if (m_dialog)
        m_dialog->close();
    // Parented to the document window, not to this popup, which closes as soon
    // as the dialog takes the focus.
    QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    auto* dialog = new QColorDialog(well->color(), owner);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(title);
    dialog->setOption(QColorDialog::ShowAlphaChannel);
    const QColor original = well->color();
    connect(dialog, &QColorDialog::currentColorChanged, this, [this, apply](const QColor& color) {
        (this->*apply)(color);
    });
    connect(dialog, &QColorDialog::colorSelected, this, [this, apply](const QColor& color) {
        (this->*apply)(color);
    });
    connect(dialog, &QColorDialog::rejected, this, [this, apply, original] { (this->*apply)(original); });
    connect(dialog, &QDialog::finished, this, [this] {
        if (m_anchor && m_anchor->isVisible() && !isVisible())
            popUp(m_anchor);
    });
    m_dialog = dialog;
    dialog->open();
}

QColorDialog* CheckerColorSettingsWidget::openDialog() const
{
    return m_dialog;
}

void CheckerColorSettingsWidget::refresh()
{
    m_lightWell->setColor(toDisplayColor(m_state->checkerLightColor()));
    m_darkWell->setColor(toDisplayColor(m_state->checkerDarkColor()));
}

}  // namespace pixmora::app
