#pragma once

#include <memory>

#include <QImage>
#include <QObject>
#include <QString>

#include "document/png_chunks.h"
#include "model/color_mode.h"
#include "model/pixel_image.h"

class QWidget;

namespace pixmora::app {

class DocumentController;
class ImportConfirmationDialog;

// The user-facing steps of an import, replaceable so tests need no user.
class ImportInteraction {
public:
    virtual ~ImportInteraction() = default;

    // One image file to import; empty when cancelled.
    virtual QString askImportFile(QWidget* parent, const QString& folder) = 0;
    // A warning alert.
    virtual void warn(QWidget* parent, const QString& message, const QString& informativeText) = 0;
    // Runs the dialog's application-modal loop until it closes.
    virtual void runConfirmation(ImportConfirmationDialog& dialog) = 0;
};

// QFileDialog, QMessageBox and QDialog::exec.
class DialogImportInteraction final : public ImportInteraction {
public:
    QString askImportFile(QWidget* parent, const QString& folder) override;
    void warn(QWidget* parent, const QString& message, const QString& informativeText) override;
    void runConfirmation(ImportConfirmationDialog& dialog) override;
};

// The text under "画像を読み込めませんでした" for a file that could not be imported.
QString importFailureInformativeText(const QString& fileName);

// Import files larger than this are refused before reading: no image Pixmora can
// decode within its decoding budget needs more.
inline constexpr qint64 kMaxImportFileBytes = qint64(256) * 1024 * 1024;

// "インポート…": a file, the confirmation dialog, and a new untitled document
// holding the converted image. The window it was started from is not touched.
class ImportFlow : public QObject {
    Q_OBJECT

public:
    explicit ImportFlow(DocumentController* controller,
                        std::unique_ptr<ImportInteraction> interaction = {},
                        QObject* parent = nullptr);
    ~ImportFlow() override;

    void importImage(QWidget* parent);
    // `decodedSource` as importSource() gives it, when already decoded.
    void presentImportConfirmation(QWidget* parent, const document::Bytes& imageData,
                                   QImage decodedSource = {});

private:
    void showImportFailureAlert(QWidget* parent, const QString& fileName);
    void onImport(const model::PixelImage& image, model::ColorMode mode);

    DocumentController* m_controller = nullptr;
    std::unique_ptr<ImportInteraction> m_interaction;
};

}  // namespace pixmora::app
