#pragma once

#include <QDialog>

#include <array>

#include "model/color_mode.h"

class QPushButton;
class QRadioButton;

namespace pixmora::app {

class CanvasSizeFieldsModel;
class CanvasSizeFieldsWidget;

// The sheet that asks a new document for its canvas size and colour mode.
// "このサイズで作成" (also Return) emits createRequested with the values as they
// stand (limited to 8…128) and accepts; the dialog itself touches no document. Any other way of
// closing it (Escape, the window system) rejects.
class NewCanvasDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int dialogWidth = 320;

    NewCanvasDialog(int width, int height, model::ColorMode mode, QWidget* parent = nullptr);

    int canvasWidth() const;
    int canvasHeight() const;
    model::ColorMode colorMode() const { return m_colorMode; }

    CanvasSizeFieldsModel* sizeModel() const { return m_sizeModel; }
    CanvasSizeFieldsWidget* sizeFields() const { return m_sizeFields; }
    QRadioButton* colorModeButton(model::ColorMode mode) const;
    QPushButton* createButton() const { return m_createButton; }

signals:
    void createRequested(int width, int height, pixmora::model::ColorMode mode);

private:
    void create();

    CanvasSizeFieldsModel* m_sizeModel = nullptr;
    CanvasSizeFieldsWidget* m_sizeFields = nullptr;
    std::array<QRadioButton*, model::allColorModes.size()> m_modeButtons{};
    QPushButton* m_createButton = nullptr;
    model::ColorMode m_colorMode = model::ColorMode::webSafe256;
};

}  // namespace pixmora::app
