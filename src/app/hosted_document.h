#pragma once

#include <QObject>
#include <QString>
#include <QUndoStack>

#include "document/bitmap_document.h"

namespace pixmora::app {

// One open document as the host keeps it: the value, its undo history, its file
// and whether it holds changes that are not on disk. Lives as long as its window.
class HostedDocument : public QObject {
    Q_OBJECT

public:
    explicit HostedDocument(document::BitmapDocument value, QObject* parent = nullptr);

    const document::BitmapDocument& value() const { return m_value; }
    // The document binding's write: replaces the whole value and records exactly one
    // undo step (no action name), whose undo restores the value before.
    void write(const document::BitmapDocument& value);

    QUndoStack* undoStack() { return &m_undoStack; }

    // Empty while untitled.
    QString filePath() const { return m_filePath; }
    // The name shown for an untitled document ("名称未設定", "名称未設定 2", ...).
    QString untitledName() const { return m_untitledName; }
    void setUntitledName(const QString& name);
    // The file name, or the untitled name.
    QString displayName() const;

    // Unsaved changes: the undo stack is away from its clean point, or the content
    // never reached a file although it is not blank (an imported image).
    bool isModified() const;
    void setHasUnsavedContent(bool unsaved);
    // After a successful write to filePath: the current state becomes the clean one.
    void markSaved(const QString& filePath);

signals:
    // Any change of the value: a write, an undo or a redo. `previous` is the value
    // before the change.
    void valueChanged(const pixmora::document::BitmapDocument& previous);
    void modifiedChanged(bool modified);
    void displayNameChanged(const QString& name);

private:
    friend class ReplaceDocumentCommand;
    void apply(const document::BitmapDocument& value);
    void emitModifiedIfChanged();

    document::BitmapDocument m_value;
    QUndoStack m_undoStack;
    QString m_filePath;
    QString m_untitledName;
    bool m_hasUnsavedContent = false;
    bool m_lastModified = false;
};

}  // namespace pixmora::app
