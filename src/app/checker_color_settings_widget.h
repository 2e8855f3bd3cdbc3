#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QPointer>
#include <QFrame>
#include <QWidget>

class QColorDialog;

namespace pixmora::editor {
class EditorUIState;
}

namespace pixmora::app {

// A button that shows a colour (over a checkerboard, so its opacity shows).
class ColorWell : public QAbstractButton {
    Q_OBJECT

public:
    explicit ColorWell(QWidget* parent = nullptr);

    QColor color() const { return m_color; }
    void setColor(const QColor& color);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color;
};

// The popover for the two colours of the transparency checkerboard: heading
// "透明表示の色" and the wells "明るい色" and "暗い色". A well opens the colour
// dialog with opacity; every colour chosen there is written to the editor state
// at once, and cancelling the dialog puts the old colour back.
class CheckerColorSettingsWidget : public QFrame {
    Q_OBJECT

public:
    static constexpr int popoverWidth = 220;

    // A popup window; show it with popUp().
    explicit CheckerColorSettingsWidget(editor::EditorUIState* state, QWidget* parent = nullptr);

    // Shows the popover below `anchor` (or above it when the screen has no room).
    // It closes as soon as a well's colour dialog takes the focus, and comes back
    // there when the dialog closes, so the other colour is one click away.
    void popUp(QWidget* anchor);

    ColorWell* lightWell() const { return m_lightWell; }
    ColorWell* darkWell() const { return m_darkWell; }

    // The write-back of a chosen colour, through fromPlatformColor.
    void applyLightColor(const QColor& color);
    void applyDarkColor(const QColor& color);

    // The dialog a well has open, if any.
    QColorDialog* openDialog() const;

signals:
    void opened();
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    using Apply = void (CheckerColorSettingsWidget::*)(const QColor&);
    void openColorDialog(ColorWell* well, const QString& title, Apply apply);
    void refresh();

    editor::EditorUIState* m_state = nullptr;
    ColorWell* m_lightWell = nullptr;
    ColorWell* m_darkWell = nullptr;
    QPointer<QColorDialog> m_dialog;
    QPointer<QWidget> m_anchor;
};

}  // namespace pixmora::app
