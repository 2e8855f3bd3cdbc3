#include "app/import_flow.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QMessageBox>
#include <QStringList>

#include "app/document_controller.h"
#include "app/import_dialog.h"
#include "document/bitmap_document.h"

namespace pixmora::app {

namespace {

QString imageFileFilter()
{
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(format);
    return QStringLiteral("画像ファイル (%1)").arg(patterns.join(QLatin1Char(' ')));
}

std::optional<document::Bytes> readImportFile(const QString& path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || file.size() > kMaxImportFileBytes
        || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return document::Bytes(data.begin(), data.end());
}

}  // namespace

QString DialogImportInteraction::askImportFile(QWidget* parent, const QString& folder)
{
    return QFileDialog::getOpenFileName(parent, QStringLiteral("取り込む画像を選択してください"),
                                        folder, imageFileFilter());
}

void DialogImportInteraction::warn(QWidget* parent, const QString& message,
                                   const QString& informativeText)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Pixmora"), message, QMessageBox::Ok,
                    parent);
    box.setInformativeText(informativeText);
    box.exec();
}

void DialogImportInteraction::runConfirmation(ImportConfirmationDialog& dialog)
{
    dialog.exec();
}

QString importFailureInformativeText(const QString& fileName)
{
    return QLatin1Char('"') + fileName + QLatin1Char('"')
           + QStringLiteral(" は画像として認識できないか、対応していない形式です。");
}

ImportFlow::ImportFlow(DocumentController* controller,
                       std::unique_ptr<ImportInteraction> interaction, QObject* parent)
    : QObject(parent)
    , m_controller(controller)
    , m_interaction(interaction ? std::move(interaction)
                                : std::make_unique<DialogImportInteraction>())
{
}

ImportFlow::~ImportFlow() = default;

void ImportFlow::importImage(QWidget* parent)
{
    const QString path = m_interaction->askImportFile(parent, m_controller->startFolder());
    if (path.isEmpty())
        return;
    const QString fileName = QFileInfo(path).fileName();
    const std::optional<document::Bytes> data = readImportFile(path);
    // Decoded in full here, not just its header read: a file whose pixels are damaged
    // or too large would otherwise open the dialog and then import nothing, silently.
    QImage source = data ? importSource(*data) : QImage();
    if (source.isNull()) {
        showImportFailureAlert(parent, fileName);
        return;
    }
    presentImportConfirmation(parent, *data, std::move(source));
}

void ImportFlow::presentImportConfirmation(QWidget* parent, const document::Bytes& imageData,
                                           QImage decodedSource)
{
    ImportConfirmationDialog dialog(imageData, parent, std::move(decodedSource));
    connect(&dialog, &ImportConfirmationDialog::imported, this, &ImportFlow::onImport);
    m_interaction->runConfirmation(dialog);
}

void ImportFlow::showImportFailureAlert(QWidget* parent, const QString& fileName)
{
    m_interaction->warn(parent, QStringLiteral("画像を読み込めませんでした"),
                        importFailureInformativeText(fileName));
}

void ImportFlow::onImport(const model::PixelImage& image, model::ColorMode mode)
{
    document::setPendingDocumentContent({image.width, image.height, image.pixels, mode});
    m_controller->newDocument();
    // The factory takes the slot; never leave an import waiting for a later New.
    (void)document::takePendingDocumentContent();
}

}  // namespace pixmora::app
