#pragma once

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>

#include "app/document_controller.h"
#include "document/bitmap_document.h"
#include "model/pixel_image.h"

namespace pixmora::test {

class FakeInteraction final : public app::UserInteraction {
public:
    struct Warning {
        QString title;
        QString text;
    };

    QStringList saveNames;  // empty queue = cancel
    QList<app::SaveChangesChoice> choices;
    QList<Warning> warnings;
    QStringList suggestedNames;
    QStringList saveChangesAsked;

    QStringList openFolders;

    QStringList askOpenFiles(QWidget*, const QString& folder) override
    {
        openFolders << folder;
        return {};
    }
    QString askSaveFileName(QWidget*, const QString& suggested) override
    {
        suggestedNames << suggested;
        return saveNames.isEmpty() ? QString() : saveNames.takeFirst();
    }
    void warn(QWidget*, const QString& title, const QString& informativeText) override
    {
        warnings << Warning{title, informativeText};
    }
    app::SaveChangesChoice askSaveChanges(QWidget*, const QString& documentName) override
    {
        saveChangesAsked << documentName;
        return choices.isEmpty() ? app::SaveChangesChoice::cancel : choices.takeFirst();
    }
};

inline document::BitmapDocument sampleDocument()
{
    model::PixelImage image(12, 10);
    image.at(1, 1) = {255, 0, 0, 255};
    return {image, false, model::ColorMode::sixteenColor};
}

inline QString writeSample(const QDir& dir, const QString& name,
                           const document::BitmapDocument& value = sampleDocument())
{
    const QString path = dir.filePath(name);
    return document::writeDocumentFile(value, path) ? QString() : path;
}

inline QString writeText(const QDir& dir, const QString& name,
                         const QByteArray& text = "just some words\n")
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return {};
    return file.fileName();
}

// "-" for a separator.
inline QStringList menuTexts(QWidget* menu)
{
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

struct Host {
    FakeInteraction* ui = new FakeInteraction;
    app::DocumentController controller{std::unique_ptr<FakeInteraction>(ui)};
    QTemporaryDir dir;

    QString sample(const QString& name) const { return writeSample(QDir(dir.path()), name); }
    app::DocumentWindow* open(const document::BitmapDocument& value = sampleDocument())
    {
        return controller.openFiles({writeSample(QDir(dir.path()), "doc.png", value)}).value(0);
    }
};

}  // namespace pixmora::test
