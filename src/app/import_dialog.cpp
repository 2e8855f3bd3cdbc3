#include "app/import_dialog.h"

#include <algorithm>

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/app_resources.h"
#include "app/canvas_size_fields.h"
#include "app/text_styles.h"
#include "document/import_conversion.h"
#include "document/raster_bridge.h"
#include "editor/document_binding.h"
#include "editor/editor_ui_state.h"
#include "editor/pixel_canvas_widget.h"

namespace pixmora::app {

using convert::MonochromeMethod;
using convert::PaletteDitherMethod;
using model::ColorMode;

namespace {

constexpr int kDialogWidth = 440;
constexpr int kMargin = 24;
constexpr int kSpacing = 16;
constexpr int kHelpWidth = 260;
// The largest canvas an import makes; the preview source is decoded for it.
constexpr int kMaxImportSide = 128;

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

ImportMethodRow importMethodRow(ColorMode mode, bool sourceHasAlphaVariation)
{
    if (mode != ColorMode::twoColor)
        return ImportMethodRow::paletteDitherPicker;
    return sourceHasAlphaVariation ? ImportMethodRow::transparencyNote
                                   : ImportMethodRow::monochromePicker;
}

QString methodHelpText(MonochromeMethod method)
{
    switch (method) {
    case MonochromeMethod::fixedThreshold:
        return QStringLiteral("明るさが中間（128）より暗ければ黒、明るければ透明にします。単純な背景＋くっきりした被写体（ロゴ等）の画像に向いています。");
    case MonochromeMethod::otsuThreshold:
        return QStringLiteral("画像全体の明るさの分布から、最適な境目を自動的に計算します。固定しきい値よりロゴ・線画向けの結果になりやすいです。");
    case MonochromeMethod::floydSteinberg:
        return QStringLiteral("明るさの誤差を右・下のピクセルに伝播させ、粒状のパターンで階調を表現します。写真をレトロな白黒画像にしたい場合に向いています。");
    case MonochromeMethod::atkinson:
        return QStringLiteral("初代Macintoshで使われていた誤差拡散法。Floyd-Steinbergよりコントラストが強くスッキリした見た目になります。");
    case MonochromeMethod::bayer:
        return QStringLiteral("固定の格子模様としきい値を比較して階調を表現します。規則的な網目模様になり、レトロゲームのような見た目に向いています。");
    }
    return {};
}

QString methodHelpText(PaletteDitherMethod method)
{
    switch (method) {
    case PaletteDitherMethod::none:
        return QStringLiteral("ディザリングを行わず、各ピクセルを単純にパレット内の最も近い色に丸めます。境界がくっきりした「塗り絵」のような見た目になります。");
    case PaletteDitherMethod::floydSteinberg:
        return QStringLiteral("色を丸めた際に生じた誤差を右・下のピクセルに伝播させ、粒状のパターンで中間色を表現します。最も一般的な誤差拡散法です。");
    case PaletteDitherMethod::atkinson:
        return QStringLiteral("初代Macintoshで使われていた誤差拡散法。誤差の一部だけを伝播させるため、Floyd-Steinbergよりコントラストが強くスッキリした見た目になります。");
    case PaletteDitherMethod::bayer:
        return QStringLiteral("固定の格子模様としきい値を比較して中間色を表現します。規則的な網目模様になり、レトロゲームのような見た目に向いています。");
    }
    return {};
}

// The preview canvas reads its pixels from here; it never writes (preview role).
class ImportConfirmationDialog::PreviewBinding final : public editor::DocumentBinding {
public:
    model::PixelImage image() const override { return m_image; }
    void setImage(const model::PixelImage& image) override { m_image = image; }

private:
    model::PixelImage m_image;
};

int importPreviewZoom(int width, int height)
{
    const int side = std::max({width, height, 1});
    return std::max(1, ImportConfirmationDialog::previewBoxSide / side);
}

std::optional<model::PixelImage> performImport(const document::Bytes& imageData,
                                               const ImportChoices& choices)
{
    return document::convertImportData(imageData, choices.width, choices.height,
                                       choices.colorMode, choices.monochromeMethod,
                                       choices.paletteDither);
}

QImage importSource(const document::Bytes& imageData)
{
    return document::decodeSourceImage(imageData, QSize(kMaxImportSide, kMaxImportSide));
}

ImportConfirmationDialog::ImportConfirmationDialog(document::Bytes imageData, QWidget* parent,
                                                   QImage decodedSource)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint)
    , m_imageData(std::move(imageData))
{
    initAppResources();
    setWindowTitle(QStringLiteral("画像を取り込む"));
    setWindowModality(Qt::ApplicationModal);
    setFixedWidth(kDialogWidth);

    const QSize sourceSize = document::sourceImageSize(m_imageData).value_or(QSize(128, 128));
    const auto [startWidth, startHeight] =
        convert::initialImportSize(sourceSize.width(), sourceSize.height());
    // Only JPEG decodes at a reduced size, and JPEG has no alpha channel.
    m_previewSource =
        decodedSource.isNull() ? importSource(m_imageData) : std::move(decodedSource);
    m_sourceHasAlphaVariation = document::hasAlphaVariation(m_previewSource);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    layout->setSpacing(kSpacing);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto* headline = new QLabel(QStringLiteral("画像を取り込む"), this);
    headline->setFont(headlineFont());
    layout->addWidget(headline);

    auto* callout = new QLabel(
        QStringLiteral("画像をキャンバスサイズにリサイズしてインポートします。元のファイルは変更されません。"),
        this);
    callout->setFont(calloutFont());
    callout->setWordWrap(true);
    callout->setFixedWidth(kDialogWidth - 2 * kMargin);
    layout->addWidget(callout);

    m_sizeModel = new CanvasSizeFieldsModel(static_cast<int>(startWidth),
                                            static_cast<int>(startHeight), true, 8, 128, 8, this);
    m_sizeFields = new CanvasSizeFieldsWidget(m_sizeModel, this);
    layout->addWidget(m_sizeFields, 0, Qt::AlignLeft);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    layout->addWidget(divider);

    auto* modeRow = new QHBoxLayout;
    modeRow->addWidget(new QLabel(QStringLiteral("色数"), this));
    auto* modeGroup = new QButtonGroup(this);
    for (std::size_t i = 0; i < model::allColorModes.size(); ++i) {
        const ColorMode mode = model::allColorModes[i];
        auto* button = new QRadioButton(fromUtf8(model::title(mode)), this);
        button->setChecked(mode == m_colorMode);
        modeGroup->addButton(button);
        modeRow->addWidget(button);
        m_modeButtons[i] = button;
        connect(button, &QRadioButton::toggled, this, [this, mode](bool on) {
            if (on)
                setColorMode(mode);
        });
    }
    modeRow->addStretch(1);
    layout->addLayout(modeRow);

    auto makeHelpButton = [this] {
        auto* button = new QToolButton(this);
        button->setAutoRaise(true);
        button->setIcon(symbolIcon(QStringLiteral("questionmark.circle"), palette()));
        button->setToolTip(QStringLiteral("ヘルプ"));
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QToolButton::clicked, this, &ImportConfirmationDialog::showMethodHelp);
        return button;
    };
    auto makePickerRow = [this](const QString& label, QComboBox* picker, QToolButton* help) {
        auto* row = new QWidget(this);
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        rowLayout->addWidget(new QLabel(label, row));
        rowLayout->addWidget(picker);
        rowLayout->addWidget(help);
        rowLayout->addStretch(1);
        return row;
    };

    m_methodRow = new QStackedWidget(this);
    m_monochromePicker = new QComboBox(this);
    for (MonochromeMethod method : convert::allMonochromeMethods)
        m_monochromePicker->addItem(fromUtf8(convert::title(method)));
    m_monochromeHelp = makeHelpButton();
    m_methodRow->addWidget(
        makePickerRow(QStringLiteral("変換方式"), m_monochromePicker, m_monochromeHelp));

    m_transparencyNote = new QLabel(
        QStringLiteral("元画像の透明度をそのまま使用します（不透明な部分は黒、透明な部分はそのまま透明になります）。"),
        this);
    m_transparencyNote->setFont(calloutFont());
    m_transparencyNote->setWordWrap(true);
    m_transparencyNote->setForegroundRole(QPalette::PlaceholderText);
    m_methodRow->addWidget(m_transparencyNote);

    m_palettePicker = new QComboBox(this);
    for (PaletteDitherMethod method : convert::allPaletteDitherMethods)
        m_palettePicker->addItem(fromUtf8(convert::title(method)));
    m_paletteHelp = makeHelpButton();
    m_methodRow->addWidget(
        makePickerRow(QStringLiteral("ディザリング"), m_palettePicker, m_paletteHelp));
    layout->addWidget(m_methodRow);
    layout->addWidget(buildPreview(), 0, Qt::AlignLeft);

    m_helpPopover = new QFrame(this, Qt::Popup);
    m_helpPopover->setFrameShape(QFrame::StyledPanel);
    auto* helpLayout = new QVBoxLayout(m_helpPopover);
    helpLayout->setContentsMargins(12, 12, 12, 12);
    m_helpLabel = new QLabel(m_helpPopover);
    m_helpLabel->setWordWrap(true);
    helpLayout->addWidget(m_helpLabel);
    m_helpPopover->setFixedWidth(kHelpWidth);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_cancelButton = new QPushButton(QStringLiteral("キャンセル"), this);
    m_cancelButton->setAutoDefault(false);
    m_importButton = new QPushButton(QStringLiteral("インポート"), this);
    m_importButton->setDefault(true);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_importButton);
    layout->addLayout(buttons);

    // QDialog already maps Escape and the close button to reject().
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_importButton, &QPushButton::clicked, this,
            &ImportConfirmationDialog::performImport);

    m_previewTimer.setSingleShot(true);
    m_previewTimer.setInterval(0);
    connect(&m_previewTimer, &QTimer::timeout, this, &ImportConfirmationDialog::updatePreview);
    connect(m_sizeModel, &CanvasSizeFieldsModel::widthChanged, this,
            &ImportConfirmationDialog::schedulePreview);
    connect(m_sizeModel, &CanvasSizeFieldsModel::heightChanged, this,
            &ImportConfirmationDialog::schedulePreview);
    connect(m_sizeModel, &CanvasSizeFieldsModel::lockAspectRatioChanged, this,
            &ImportConfirmationDialog::schedulePreview);
    connect(m_monochromePicker, &QComboBox::currentIndexChanged, this,
            &ImportConfirmationDialog::schedulePreview);
    connect(m_palettePicker, &QComboBox::currentIndexChanged, this,
            &ImportConfirmationDialog::schedulePreview);

    updateMethodRow();
    // The dialog opens with the preview of its starting choices.
    updatePreview();
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

ImportConfirmationDialog::~ImportConfirmationDialog()
{
    // The canvas is deleted with the other children, after the binding.
    m_previewCanvas->setDocumentBinding(nullptr);
}

QWidget* ImportConfirmationDialog::buildPreview()
{
    auto* section = new QWidget(this);
    auto* stack = new QVBoxLayout(section);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(4);
    auto* title = new QLabel(QStringLiteral("プレビュー"), section);
    title->setFont(captionFont());
    stack->addWidget(title);

    auto* box = new QFrame(section);
    m_previewBox = box;
    box->setFrameStyle(QFrame::Box | QFrame::Plain);
    box->setLineWidth(1);
    QPalette border = box->palette();
    border.setColor(QPalette::WindowText, QColor(128, 128, 128, 77));
    box->setPalette(border);
    // Room for the largest zoomed result inside the frame line.
    box->setFixedSize(previewBoxSide + 2, previewBoxSide + 2);
    auto* centre = new QGridLayout(box);
    centre->setContentsMargins(1, 1, 1, 1);

    m_previewBinding = std::make_unique<PreviewBinding>();
    m_previewState = new editor::EditorUIState(this);
    m_previewCanvas = new editor::PixelCanvasWidget(editor::CanvasRole::preview, box);
    m_previewCanvas->setUIState(m_previewState);
    m_previewCanvas->setDocumentBinding(m_previewBinding.get());
    centre->addWidget(m_previewCanvas, 0, 0, Qt::AlignCenter);
    stack->addWidget(box, 0, Qt::AlignLeft);
    return section;
}

void ImportConfirmationDialog::schedulePreview()
{
    m_previewTimer.start();
}

void ImportConfirmationDialog::updatePreview()
{
    m_previewTimer.stop();
    const ImportChoices state = choices();
    m_previewChoices = state;
    m_previewImage.reset();
    const bool inRange = state.width >= m_sizeModel->lower() && state.width <= m_sizeModel->upper()
                         && state.height >= m_sizeModel->lower()
                         && state.height <= m_sizeModel->upper();
    if (inRange && !m_previewSource.isNull())
        m_previewImage = document::convertImport(m_previewSource, state.width, state.height,
                                                 state.colorMode, state.monochromeMethod,
                                                 state.paletteDither);
    m_previewBinding->setImage(m_previewImage.value_or(model::PixelImage()));
    m_previewCanvas->setColorMode(state.colorMode);
    m_previewState->setPreviewZoom(importPreviewZoom(state.width, state.height));
    m_previewCanvas->documentImageChanged();
}

ImportChoices ImportConfirmationDialog::choices() const
{
    ImportChoices choices;
    choices.width = m_sizeModel->width();
    choices.height = m_sizeModel->height();
    choices.colorMode = m_colorMode;
    choices.monochromeMethod = convert::allMonochromeMethods[static_cast<std::size_t>(
        std::max(0, m_monochromePicker->currentIndex()))];
    choices.paletteDither = convert::allPaletteDitherMethods[static_cast<std::size_t>(
        std::max(0, m_palettePicker->currentIndex()))];
    return choices;
}

bool ImportConfirmationDialog::isMethodHelpPresented() const
{
    return m_helpPopover->isVisible();
}

ImportMethodRow ImportConfirmationDialog::methodRow() const
{
    return importMethodRow(m_colorMode, m_sourceHasAlphaVariation);
}

QRadioButton* ImportConfirmationDialog::colorModeButton(ColorMode mode) const
{
    return m_modeButtons[static_cast<std::size_t>(mode)];
}

QToolButton* ImportConfirmationDialog::helpButton() const
{
    return methodRow() == ImportMethodRow::paletteDitherPicker ? m_paletteHelp : m_monochromeHelp;
}

void ImportConfirmationDialog::performImport()
{
    ImportChoices state = choices();
    // As the new-canvas sheet does: a size typed outside the range and never
    // normalised (the click left the focus in the field) must not import nothing,
    // or a picture too large to open as a document.
    state.width = std::clamp(state.width, m_sizeModel->lower(), m_sizeModel->upper());
    state.height = std::clamp(state.height, m_sizeModel->lower(), m_sizeModel->upper());
    const std::optional<model::PixelImage> image = app::performImport(m_imageData, state);
    if (!image) {
        reject();
        return;
    }
    emit imported(*image, state.colorMode);
    accept();
}

void ImportConfirmationDialog::showMethodHelp()
{
    const ImportChoices state = choices();
    m_helpLabel->setText(methodRow() == ImportMethodRow::paletteDitherPicker
                             ? methodHelpText(state.paletteDither)
                             : methodHelpText(state.monochromeMethod));
    m_helpPopover->adjustSize();
    // Opens on the trailing side of the button, vertically centred on it.
    const QToolButton* anchor = helpButton();
    const QPoint topLeft =
        anchor->mapToGlobal(QPoint(anchor->width() + 4, anchor->height() / 2))
        - QPoint(0, m_helpPopover->height() / 2);
    m_helpPopover->move(topLeft);
    m_helpPopover->show();
}

void ImportConfirmationDialog::setColorMode(ColorMode mode)
{
    m_colorMode = mode;
    updateMethodRow();
    schedulePreview();
}

void ImportConfirmationDialog::updateMethodRow()
{
    m_helpPopover->hide();
    m_methodRow->setCurrentIndex(static_cast<int>(methodRow()));
}

}  // namespace pixmora::app
