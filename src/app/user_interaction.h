#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace pixmora::app {

enum class SaveChangesChoice { save, discard, cancel };

// The questions and alerts the document host puts to the user. The default
// implementation runs the real dialogs; tests substitute answers.
class UserInteraction {
public:
    virtual ~UserInteraction() = default;

    // Files to open (several at once); empty when cancelled.
    virtual QStringList askOpenFiles(QWidget* parent, const QString& folder) = 0;
    // The path to save to, starting from `suggested`; empty when cancelled.
    virtual QString askSaveFileName(QWidget* parent, const QString& suggested) = 0;
    // A warning alert: `title` as its main text, `informativeText` below it.
    virtual void warn(QWidget* parent, const QString& title, const QString& informativeText) = 0;
    // 保存 / 保存しない / キャンセル for a document with unsaved changes.
    virtual SaveChangesChoice askSaveChanges(QWidget* parent, const QString& documentName) = 0;
};

// QFileDialog and QMessageBox.
class DialogUserInteraction final : public UserInteraction {
public:
    QStringList askOpenFiles(QWidget* parent, const QString& folder) override;
    QString askSaveFileName(QWidget* parent, const QString& suggested) override;
    void warn(QWidget* parent, const QString& title, const QString& informativeText) override;
    SaveChangesChoice askSaveChanges(QWidget* parent, const QString& documentName) override;
};

// The open dialog's filter: every image type Qt reads, then all files.
QString openFileFilter();

}  // namespace pixmora::app
