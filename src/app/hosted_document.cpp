#include "app/hosted_document.h"

#include <QFileInfo>
#include <QUndoCommand>

namespace pixmora::app {

// Holds both values so redo can run any number of times with the same result.
class ReplaceDocumentCommand final : public QUndoCommand {
public:
    ReplaceDocumentCommand(HostedDocument* target, document::BitmapDocument before,
                           document::BitmapDocument after)
        : m_target(target), m_before(std::move(before)), m_after(std::move(after))
    {
    }

    void redo() override { m_target->apply(m_after); }
    void undo() override { m_target->apply(m_before); }

private:
    HostedDocument* m_target;
    document::BitmapDocument m_before;
    document::BitmapDocument m_after;
};

HostedDocument::HostedDocument(document::BitmapDocument value, QObject* parent)
    : QObject(parent), m_value(std::move(value))
{
    connect(&m_undoStack, &QUndoStack::cleanChanged, this,
            [this] { emitModifiedIfChanged(); });
}

void HostedDocument::write(const document::BitmapDocument& value)
{
    m_undoStack.push(new ReplaceDocumentCommand(this, m_value, value));
}

void HostedDocument::apply(const document::BitmapDocument& value)
{
    const document::BitmapDocument previous = m_value;
    m_value = value;
    emit valueChanged(previous);
}

void HostedDocument::setUntitledName(const QString& name)
{
    m_untitledName = name;
    emit displayNameChanged(displayName());
}

QString HostedDocument::displayName() const
{
    return m_filePath.isEmpty() ? m_untitledName : QFileInfo(m_filePath).fileName();
}

bool HostedDocument::isModified() const
{
    return m_hasUnsavedContent || !m_undoStack.isClean();
}

void HostedDocument::setHasUnsavedContent(bool unsaved)
{
    m_hasUnsavedContent = unsaved;
    emitModifiedIfChanged();
}

void HostedDocument::markSaved(const QString& filePath)
{
    const bool renamed = filePath != m_filePath;
    m_filePath = filePath;
    m_hasUnsavedContent = false;
    m_undoStack.setClean();
    emitModifiedIfChanged();
    if (renamed)
        emit displayNameChanged(displayName());
}

void HostedDocument::emitModifiedIfChanged()
{
    const bool modified = isModified();
    if (modified == m_lastModified)
        return;
    m_lastModified = modified;
    emit modifiedChanged(modified);
}

}  // namespace pixmora::app
