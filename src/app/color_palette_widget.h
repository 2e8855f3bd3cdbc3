#pragma once

#include <QRectF>
#include <QWidget>

#include <vector>

#include "app/color_swatch.h"
#include "model/color_mode.h"
#include "model/rgba_color.h"

class QLabel;
class QScrollArea;
class QToolButton;

namespace pixmora::editor {
class EditorUIState;
}

namespace pixmora::app {

class CheckerColorSettingsWidget;
class CurrentColorSwatch;

// The grid of every colour a mode offers plus transparent: square cells in a
// fixed number of columns, centred, filled row by row. A left press on a cell
// sets the drawing colour, a right press the background colour, at the press;
// the press goes no further. One widget draws every cell: a widget per cell
// made a window open noticeably slower with the 237 web-safe cells.
class SwatchGridWidget : public QWidget {
    Q_OBJECT

public:
    SwatchGridWidget(editor::EditorUIState* state, double spacing,
                     model::ColorMode mode = model::ColorMode::webSafe256,
                     QWidget* parent = nullptr);

    void setColorMode(model::ColorMode mode);
    model::ColorMode colorMode() const { return m_mode; }

    int count() const { return int(m_colors.size()); }
    model::RGBAColor colorAt(int index) const { return m_colors.at(std::size_t(index)); }
    // Where a cell lies at the grid's current width, before rounding to pixels.
    QRectF cellRect(int index) const;
    // The pixels a cell covers: its edges rounded, so the gaps stay even.
    QRect cellGeometry(int index) const;
    SwatchOutline outline(int index) const;
    double cellSize() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QRectF cellRectAt(int index, double width) const;
    int cellAt(QPointF point) const;
    void rebuild();

    editor::EditorUIState* m_state = nullptr;
    double m_spacing = 2.0;
    model::ColorMode m_mode = model::ColorMode::webSafe256;
    std::vector<model::RGBAColor> m_colors;
};

// The colour panel of the side column: the "カラー" header with the button for
// the transparency colours, the drawing and background colours, and the swatch
// grid of the document's colour mode.
class ColorPaletteWidget : public QWidget {
    Q_OBJECT

public:
    static constexpr double swatchSpacing = 2.0;

    // Built with the grid of `mode` at once: a window opening a document of another
    // mode would otherwise build every cell twice.
    explicit ColorPaletteWidget(editor::EditorUIState* state,
                                model::ColorMode mode = model::ColorMode::webSafe256,
                                QWidget* parent = nullptr);

    // Rebuilds the grid for the mode; the drawing and background colours stay,
    // whether or not the new mode offers them.
    void setColorMode(model::ColorMode mode);
    model::ColorMode colorMode() const;

    // Whether the transparency-colour popover is open.
    bool showsCheckerSettings() const { return m_showsCheckerSettings; }
    // What the header button does: opens the popover (never closes it).
    void showCheckerSettings();

    QToolButton* checkerButton() const { return m_checkerButton; }
    CheckerColorSettingsWidget* checkerSettings() const { return m_checkerSettings; }
    CurrentColorSwatch* currentColorSwatch() const { return m_currentSwatch; }
    CurrentColorSwatch* secondaryColorSwatch() const { return m_secondarySwatch; }
    QScrollArea* gridScrollArea() const { return m_scrollArea; }
    SwatchGridWidget* grid() const { return m_grid; }

    // The grid's columns per mode: 8 for two colours, 4 for sixteen, 16 for 256.
    static int columnCount(model::ColorMode mode);
    // The mode's palette followed by transparent (0, 0, 0, 0).
    static std::vector<model::RGBAColor> swatchColors(model::ColorMode mode);
    // max(4, (W − s·(n − 1)) / n).
    static double cellSize(double availableWidth, int columns, double spacing);

private:
    void refreshCurrentColors();

    editor::EditorUIState* m_state = nullptr;
    QToolButton* m_checkerButton = nullptr;
    CheckerColorSettingsWidget* m_checkerSettings = nullptr;
    CurrentColorSwatch* m_currentSwatch = nullptr;
    CurrentColorSwatch* m_secondarySwatch = nullptr;
    QScrollArea* m_scrollArea = nullptr;
    SwatchGridWidget* m_grid = nullptr;
    bool m_showsCheckerSettings = false;
};

}  // namespace pixmora::app
