#include "app/user_interaction.h"

#include <QFileDialog>
#include <QImageReader>
#include <QMessageBox>
#include <QPushButton>

namespace pixmora::app {

QString openFileFilter()
{
    QStringList patterns;
    for (const QByteArray& suffix : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(suffix);
    return QStringLiteral("画像 (%1);;すべてのファイル (*)").arg(patterns.join(u' '));
}

QStringList DialogUserInteraction::askOpenFiles(QWidget* parent, const QString& folder)
{
    return QFileDialog::getOpenFileNames(parent, QStringLiteral("開く"), folder,
                                         openFileFilter());
}

QString DialogUserInteraction::askSaveFileName(QWidget* parent, const QString& suggested)
{
    QFileDialog dialog(parent, QStringLiteral("保存"), suggested,
                       QStringLiteral("PNG 画像 (*.png)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The dialog adds the suffix itself, so its overwrite question sees the real name.
    dialog.setDefaultSuffix(QStringLiteral("png"));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

void DialogUserInteraction::warn(QWidget* parent, const QString& title,
                                 const QString& informativeText)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Pixmora"), title, QMessageBox::Ok,
                    parent);
    box.setInformativeText(informativeText);
    box.exec();
}

SaveChangesChoice DialogUserInteraction::askSaveChanges(QWidget* parent,
                                                        const QString& documentName)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Pixmora"),
                    QStringLiteral("書類“%1”への変更を保存しますか？").arg(documentName),
                    QMessageBox::NoButton, parent);
    box.setInformativeText(QStringLiteral("保存しないと、変更内容は失われます。"));
    QPushButton* save = box.addButton(QStringLiteral("保存"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QStringLiteral("保存しない"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == save)
        return SaveChangesChoice::save;
    if (box.clickedButton() == discard)
        return SaveChangesChoice::discard;
    return SaveChangesChoice::cancel;
}

}  // namespace pixmora::app
