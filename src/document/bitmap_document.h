#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <variant>
#include <vector>

#include <QString>

#include "document/png_chunks.h"
#include "model/color_mode.h"
#include "model/pixel_image.h"

// The editor's one document type: a small pixel image and the colour mode it is
// drawn in, stored as a PNG whose colour mode travels in a tEXt chunk.
namespace pixmora::document {

// Largest width and height of a PNG that opens directly; larger ones are imported.
inline constexpr std::int64_t kMaxDocumentSide = 128;
inline constexpr std::string_view kColorModeKeyword = "pixmoraColorMode";

struct BitmapDocument {
    model::PixelImage image;
    // A blank document still waiting for its canvas size; never stored in the file.
    bool needsSizeConfiguration = false;
    model::ColorMode colorMode = model::ColorMode::webSafe256;

    friend bool operator==(const BitmapDocument&, const BitmapDocument&) = default;
};

// The file must be imported instead of opened.
struct ImportRequiredError {
    enum class Reason { oversizedPNG, unsupportedFormat, notAnImage };
    Reason reason = Reason::notAnImage;

    // The user-facing text.
    QString recoverySuggestion() const;

    friend bool operator==(const ImportRequiredError&, const ImportRequiredError&) = default;
};

// Reading or writing the file itself failed.
struct FileError {
    enum class Code { fileReadCorruptFile, fileWriteUnknown };
    Code code = Code::fileReadCorruptFile;
    // The user-facing text; a general one for the code unless the cause is known.
    QString text;

    static FileError readFailure(QString text = {});
    static FileError writeFailure(QString text = {});

    friend bool operator==(const FileError&, const FileError&) = default;
};

using DocumentError = std::variant<ImportRequiredError, FileError>;
// The text to show for a document that cannot be opened or saved.
QString errorText(const DocumentError& error);

using ReadResult = std::variant<BitmapDocument, DocumentError>;

// Reads a document from a file's whole contents: a PNG of at most 128 x 128 with
// its pixels exactly as stored, or the reason it must be imported instead.
ReadResult readDocument(const Bytes& data);
// readDocument of the file at path; a missing, unreadable or non-regular file gives
// a read FileError.
ReadResult readDocumentFile(const QString& path);

// The PNG bytes of the document with its colour mode chunk just before IEND;
// nothing when encoding fails.
std::optional<Bytes> writeDocument(const BitmapDocument& document);
// writeDocument to path through QSaveFile, so a failure leaves any old file whole.
std::optional<FileError> writeDocumentFile(const BitmapDocument& document, const QString& path);

// What the import flow hands to the next new document.
struct PendingDocumentContent {
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::vector<model::RGBAColor> pixels;
    model::ColorMode colorMode = model::ColorMode::webSafe256;
};

// The process-wide one-slot hand-over. Only the UI thread touches it.
void setPendingDocumentContent(PendingDocumentContent content);
// Empties the slot, returning what it held.
std::optional<PendingDocumentContent> takePendingDocumentContent();
bool hasPendingDocumentContent();

// The 32 x 32 transparent webSafe256 document that asks for its canvas size.
BitmapDocument placeholderDocument();
// The new-document factory: the pending content when the slot holds a consistent
// image of 1..128 pixels a side (the slot is emptied either way), otherwise the
// placeholder.
BitmapDocument makeNewDocument();

}  // namespace pixmora::document
