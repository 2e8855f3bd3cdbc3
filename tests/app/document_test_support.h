#pragma once

// Shared by the document host tests: scripted answers for the host's questions
// and small document files.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include "app/user_interaction.h"
#include "document/bitmap_document.h"
#include "model/pixel_image.h"

namespace pixmora::test {

// Answers from queues and records every question and alert; never opens a dialog.
class FakeInteraction final : public app::UserInteraction {
public:
    struct Warning {
        QString title;
        QString text;
    };

    QStringList filesToOpen;
    QStringList saveNames;  // one per save question; empty queue = cancel
    QList<app::SaveChangesChoice> choices;  // empty queue = cancel

    QList<Warning> warnings;
    QStringList suggestedNames;
    QStringList saveChangesAsked;

    QStringList askOpenFiles(QWidget*) override { return filesToOpen; }
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

inline model::PixelImage patternImage(std::int64_t width, std::int64_t height,
                                      model::RGBAColor ink)
{
    model::PixelImage image(width, height);
    for (std::int64_t y = 0; y < height; ++y)
        for (std::int64_t x = 0; x < width; ++x)
            if ((x + 2 * y) % 3 == 0)
                image.at(x, y) = ink;
    return image;
}

inline document::BitmapDocument sampleDocument()
{
    return document::BitmapDocument{patternImage(12, 10, {255, 0, 0, 255}), false,
                                    model::ColorMode::sixteenColor};
}

inline QString writeSample(const QDir& dir, const QString& name,
                           const document::BitmapDocument& value = sampleDocument())
{
    const QString path = dir.filePath(name);
    if (document::writeDocumentFile(value, path))
        return {};
    return path;
}

inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace pixmora::test
