#pragma once

#include <array>
#include <memory>
#include <optional>

#include <QDialog>
#include <QImage>
#include <QString>
#include <QTimer>

#include "convert/conversion.h"
#include "document/png_chunks.h"
#include "model/color_mode.h"
#include "model/pixel_image.h"

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QToolButton;

namespace pixmora::editor {
class EditorUIState;
class PixelCanvasWidget;
}  // namespace pixmora::editor

namespace pixmora::app {

class CanvasSizeFieldsModel;
class CanvasSizeFieldsWidget;

// What the confirmation dialog shows under "色数" for the chosen mode.
enum class ImportMethodRow { monochromePicker, transparencyNote, paletteDitherPicker };

ImportMethodRow importMethodRow(model::ColorMode mode, bool sourceHasAlphaVariation);
QString methodHelpText(convert::MonochromeMethod method);
QString methodHelpText(convert::PaletteDitherMethod method);

// The choices an import is made with; every import starts from these defaults.
struct ImportChoices {
    int width = 0;
    int height = 0;
    model::ColorMode colorMode = model::ColorMode::webSafe256;
    convert::PaletteDitherMethod paletteDither = convert::PaletteDitherMethod::none;
    convert::MonochromeMethod monochromeMethod = convert::MonochromeMethod::fixedThreshold;

    friend bool operator==(const ImportChoices&, const ImportChoices&) = default;
};

// The source, decoded converted with the choices; nothing when it no longer
// decodes or the conversion cannot produce width x height pixels.
std::optional<model::PixelImage> performImport(const document::Bytes& imageData,
                                               const ImportChoices& choices);

// The preview's pixel size for a width x height result: the largest whole zoom
// that fits the box, at least 1.
int importPreviewZoom(int width, int height);

// The source as the dialog previews it: decoded at the size an import into
// 128 x 128 needs. Null when the bytes do not decode (damaged data, or over the
// decoding budget), which is what the import itself would meet.
QImage importSource(const document::Bytes& imageData);

// "画像を取り込む": canvas size, colour mode and method for one import. Emits
// imported() with the converted image and accepts, or rejects on キャンセル,
// Escape, the close button, or a source that no longer decodes.
//
// Under the method row a preview shows the result of the current choices,
// enlarged over the checkerboard. It converts a copy of the source decoded once
// (at the size an import into 128 x 128 needs), so a change costs one
// conversion, run on the next event loop pass with any other changes made
// before it. The import itself still starts from the file's bytes.
class ImportConfirmationDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int previewBoxSide = 256;

    // `decodedSource` is importSource(imageData) when the caller has it already;
    // null decodes it here.
    explicit ImportConfirmationDialog(document::Bytes imageData, QWidget* parent = nullptr,
                                      QImage decodedSource = {});
    ~ImportConfirmationDialog() override;

    ImportChoices choices() const;
    bool sourceHasAlphaVariation() const { return m_sourceHasAlphaVariation; }
    bool isMethodHelpPresented() const;
    ImportMethodRow methodRow() const;

    CanvasSizeFieldsModel* sizeModel() const { return m_sizeModel; }
    CanvasSizeFieldsWidget* sizeFields() const { return m_sizeFields; }
    QRadioButton* colorModeButton(model::ColorMode mode) const;
    QComboBox* monochromePicker() const { return m_monochromePicker; }
    QComboBox* palettePicker() const { return m_palettePicker; }
    QLabel* transparencyNote() const { return m_transparencyNote; }
    QToolButton* helpButton() const;
    QLabel* helpLabel() const { return m_helpLabel; }
    QPushButton* importButton() const { return m_importButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }

    QWidget* previewBox() const { return m_previewBox; }
    editor::PixelCanvasWidget* previewCanvas() const { return m_previewCanvas; }
    // What the preview shows, and the choices it was made with; nothing while
    // the size is outside 8…128 or the source could not be converted.
    const std::optional<model::PixelImage>& previewImage() const { return m_previewImage; }
    const ImportChoices& previewChoices() const { return m_previewChoices; }
    // A change of choices waits for the next event loop pass.
    bool isPreviewPending() const { return m_previewTimer.isActive(); }

    // The import action with the state as it stands.
    void performImport();
    void showMethodHelp();

signals:
    void imported(const pixmora::model::PixelImage& image, pixmora::model::ColorMode mode);

private:
    class PreviewBinding;

    void setColorMode(model::ColorMode mode);
    void updateMethodRow();
    QWidget* buildPreview();
    void schedulePreview();
    void updatePreview();

    document::Bytes m_imageData;
    QImage m_previewSource;
    bool m_sourceHasAlphaVariation = false;
    model::ColorMode m_colorMode = model::ColorMode::webSafe256;

    CanvasSizeFieldsModel* m_sizeModel = nullptr;
    CanvasSizeFieldsWidget* m_sizeFields = nullptr;
    std::array<QRadioButton*, model::allColorModes.size()> m_modeButtons{};
    QStackedWidget* m_methodRow = nullptr;
    QComboBox* m_monochromePicker = nullptr;
    QComboBox* m_palettePicker = nullptr;
    QToolButton* m_monochromeHelp = nullptr;
    QToolButton* m_paletteHelp = nullptr;
    QLabel* m_transparencyNote = nullptr;
    QFrame* m_helpPopover = nullptr;
    QLabel* m_helpLabel = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_importButton = nullptr;

    std::unique_ptr<PreviewBinding> m_previewBinding;
    editor::EditorUIState* m_previewState = nullptr;
    editor::PixelCanvasWidget* m_previewCanvas = nullptr;
    QWidget* m_previewBox = nullptr;
    QTimer m_previewTimer;
    std::optional<model::PixelImage> m_previewImage;
    ImportChoices m_previewChoices;
};

}  // namespace pixmora::app
