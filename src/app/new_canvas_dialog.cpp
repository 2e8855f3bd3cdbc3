#include "app/new_canvas_dialog.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/canvas_size_fields.h"
#include "app/text_styles.h"

namespace pixmora::app {

NewCanvasDialog::NewCanvasDialog(int width, int height, model::ColorMode mode, QWidget* parent)
    : QDialog(parent),
      m_colorMode(mode)
{
    setWindowTitle(QStringLiteral("キャンバスサイズ"));
    setFixedWidth(dialogWidth);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(16);

    auto* headline = new QLabel(QStringLiteral("キャンバスサイズ"), this);
    headline->setFont(headlineFont());
    layout->addWidget(headline);

    m_sizeModel = new CanvasSizeFieldsModel(width, height, false, 8, 128, 8, this);
    m_sizeFields = new CanvasSizeFieldsWidget(m_sizeModel, this);
    layout->addWidget(m_sizeFields);

    auto* modeRow = new QHBoxLayout;
    modeRow->addWidget(new QLabel(QStringLiteral("色数"), this));
    auto* group = new QButtonGroup(this);
    for (std::size_t i = 0; i < model::allColorModes.size(); ++i) {
        const model::ColorMode each = model::allColorModes[i];
        const std::string_view title = model::title(each);
        auto* button = new QRadioButton(QString::fromUtf8(title.data(), qsizetype(title.size())), this);
        button->setChecked(each == mode);
        group->addButton(button);
        modeRow->addWidget(button);
        connect(button, &QRadioButton::toggled, this, [this, each](bool on) {
            if (on)
                m_colorMode = each;
        });
        m_modeButtons[i] = button;
    }
    modeRow->addStretch(1);
    layout->addLayout(modeRow);

    m_createButton = new QPushButton(QStringLiteral("このサイズで作成"), this);
    m_createButton->setDefault(true);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(m_createButton);
    layout->addLayout(buttonRow);

    connect(m_createButton, &QPushButton::clicked, this, &NewCanvasDialog::create);
}

int NewCanvasDialog::canvasWidth() const
{
    return m_sizeModel->width();
}

int NewCanvasDialog::canvasHeight() const
{
    return m_sizeModel->height();
}

QRadioButton* NewCanvasDialog::colorModeButton(model::ColorMode mode) const
{
    for (std::size_t i = 0; i < model::allColorModes.size(); ++i) {
        if (model::allColorModes[i] == mode)
            return m_modeButtons[i];
    }
    return nullptr;
}

void NewCanvasDialog::create()
{
    // The sizes are taken as they stand, on the grid or not, but a value typed
    // outside the range and never normalised (a click that left the focus in the
    // field) must not make an empty or oversized canvas.
    const int lower = m_sizeModel->lower();
    const int upper = m_sizeModel->upper();
    emit createRequested(std::clamp(m_sizeModel->width(), lower, upper),
                         std::clamp(m_sizeModel->height(), lower, upper), m_colorMode);
    accept();
}

}  // namespace pixmora::app
