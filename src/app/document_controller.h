#pragma once

#include <memory>

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSettings>
#include <QStringList>

#include "app/user_interaction.h"

class QWidget;

namespace pixmora::app {

class DocumentWindow;
class HostedDocument;
class RecentFiles;

// The document host: one DocumentWindow per open document, created for new
// documents and opened files, saved atomically, closed and quit with the
// unsaved-changes question. Everything runs on the GUI thread.
class DocumentController : public QObject {
    Q_OBJECT

public:
    // Without an interaction the real dialogs are used.
    explicit DocumentController(std::unique_ptr<UserInteraction> interaction = {},
                                QObject* parent = nullptr);
    ~DocumentController() override;

    // A new untitled document from document::makeNewDocument(), so content waiting in
    // the pending slot (an import) is taken by this document. Shows its window.
    DocumentWindow* newDocument();
    // Opens each file in its own window; a file that is already open brings its
    // window forward; a refused file shows a warning and opens nothing. Returns the
    // windows opened or brought forward, in order.
    QList<DocumentWindow*> openFiles(const QStringList& paths);
    // Asks for files, then openFiles.
    void open(QWidget* parent);
    // Where the file dialogs start: the folder of the file opened or saved last,
    // while it exists; the home folder otherwise.
    QString startFolder() const;
    // An item of "最近使ったファイル": openFiles, and a file that no longer exists
    // leaves the list after its alert.
    void openRecentFile(const QString& path);

    // Files opened (or brought forward by opening) and saved, for every window's
    // "最近使ったファイル". Kept for this run only until settings are given.
    RecentFiles* recentFiles() const { return m_recentFiles; }
    // Keeps the list in these settings from now on, starting from what they hold.
    void setRecentFilesSettings(std::unique_ptr<QSettings> settings);

    // Saves to the document's file, asking for one when untitled. False when the
    // user cancelled or the write failed (then an alert was shown and the document
    // stays modified).
    bool save(DocumentWindow* window);
    // Always asks for the file.
    bool saveAs(DocumentWindow* window);
    // Closes the window, asking first when it has unsaved changes. False when it
    // stays open.
    bool closeDocument(DocumentWindow* window);
    // Asks for every document with unsaved changes, then closes all windows. False
    // (and every window still open) when the user cancelled or a save failed.
    bool quit();

    QList<DocumentWindow*> windows() const;
    // The window of an open file (compared by canonical path), or null.
    DocumentWindow* windowForFile(const QString& path) const;

    // Enables "インポート…" in every window; a click emits importRequested.
    void setImportEnabled(bool enabled);
    bool isImportEnabled() const { return m_importEnabled; }

signals:
    // "インポート…" was chosen in `window`.
    void importRequested(QWidget* window);

private:
    DocumentWindow* addWindow(HostedDocument* document);
    QString nextUntitledName() const;
    bool saveDocument(DocumentWindow* window, bool askForName);
    bool writeFile(DocumentWindow* window, const QString& path);
    bool needsSaveQuestion(DocumentWindow* window) const;
    // save / discard / cancel for one window: true when it may be closed.
    bool resolveUnsavedChanges(DocumentWindow* window);
    bool confirmClose(DocumentWindow* window);
    void forget(DocumentWindow* window);
    void showRecentFiles();

    std::unique_ptr<UserInteraction> m_interaction;
    QList<QPointer<DocumentWindow>> m_windows;
    bool m_importEnabled = false;
    bool m_closingWithoutAsking = false;
    RecentFiles* m_recentFiles = nullptr;
};

// The path a save goes to: ".png" appended unless the name already ends in it
// (any letter case).
QString withPngSuffix(const QString& path);

}  // namespace pixmora::app
