#include "app/document_controller.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "app/document_window.h"
#include "app/hosted_document.h"
#include "app/recent_files.h"
#include "document/bitmap_document.h"

namespace pixmora::app {

namespace {

const QString kUntitled = QStringLiteral("名称未設定");

QString canonicalPath(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

void bringForward(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace

QString withPngSuffix(const QString& path)
{
    if (path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive))
        return path;
    return path + QStringLiteral(".png");
}

DocumentController::DocumentController(std::unique_ptr<UserInteraction> interaction,
                                       QObject* parent)
    : QObject(parent), m_interaction(std::move(interaction))
{
    if (!m_interaction)
        m_interaction = std::make_unique<DialogUserInteraction>();
    setRecentFilesSettings({});
}

void DocumentController::setRecentFilesSettings(std::unique_ptr<QSettings> settings)
{
    delete m_recentFiles;
    m_recentFiles = new RecentFiles(std::move(settings), this);
    connect(m_recentFiles, &RecentFiles::changed, this, &DocumentController::showRecentFiles);
    showRecentFiles();
}

void DocumentController::showRecentFiles()
{
    const QStringList paths = m_recentFiles->paths();
    for (DocumentWindow* window : windows())
        window->setRecentFiles(paths);
}

DocumentController::~DocumentController()
{
    // Windows outlive nothing of ours: close them without questions.
    m_closingWithoutAsking = true;
    for (const QPointer<DocumentWindow>& window : std::as_const(m_windows))
        delete window.data();
}

QList<DocumentWindow*> DocumentController::windows() const
{
    QList<DocumentWindow*> result;
    for (const QPointer<DocumentWindow>& window : m_windows)
        if (window)
            result << window.data();
    return result;
}

DocumentWindow* DocumentController::windowForFile(const QString& path) const
{
    const QString wanted = canonicalPath(path);
    for (DocumentWindow* window : windows()) {
        const QString filePath = window->document()->filePath();
        if (!filePath.isEmpty() && canonicalPath(filePath) == wanted)
            return window;
    }
    return nullptr;
}

QString DocumentController::nextUntitledName() const
{
    // The lowest number no open untitled document uses; 1 is the bare name.
    QList<int> used;
    for (DocumentWindow* window : windows()) {
        const HostedDocument* document = window->document();
        if (!document->filePath().isEmpty())
            continue;
        const QString name = document->untitledName();
        if (name == kUntitled)
            used << 1;
        else if (name.startsWith(kUntitled + u' '))
            used << name.mid(kUntitled.size() + 1).toInt();
    }
    int number = 1;
    while (used.contains(number))
        ++number;
    return number == 1 ? kUntitled : QStringLiteral("%1 %2").arg(kUntitled).arg(number);
}

DocumentWindow* DocumentController::newDocument()
{
    document::BitmapDocument value = document::makeNewDocument();
    // Prepared content (an import) exists nowhere else until it is saved.
    const bool prepared = !value.needsSizeConfiguration;
    auto* hosted = new HostedDocument(std::move(value));
    hosted->setUntitledName(nextUntitledName());
    hosted->setHasUnsavedContent(prepared);
    return addWindow(hosted);
}

QList<DocumentWindow*> DocumentController::openFiles(const QStringList& paths)
{
    QList<DocumentWindow*> result;
    for (const QString& path : paths) {
        if (DocumentWindow* open = windowForFile(path)) {
            bringForward(open);
            m_recentFiles->add(open->document()->filePath());
            result << open;
            continue;
        }
        const document::ReadResult read = document::readDocumentFile(path);
        if (const auto* error = std::get_if<document::DocumentError>(&read)) {
            m_interaction->warn(
                nullptr,
                QStringLiteral("書類“%1”を開けませんでした。").arg(QFileInfo(path).fileName()),
                document::errorText(*error));
            continue;
        }
        auto* hosted = new HostedDocument(std::get<document::BitmapDocument>(read));
        hosted->markSaved(QFileInfo(path).absoluteFilePath());
        result << addWindow(hosted);
        m_recentFiles->add(hosted->filePath());
    }
    return result;
}

QString DocumentController::startFolder() const
{
    for (const QString& path : m_recentFiles->paths()) {
        const QFileInfo folder(QFileInfo(path).absolutePath());
        if (folder.isDir())
            return folder.absoluteFilePath();
    }
    return QDir::homePath();
}

void DocumentController::open(QWidget* parent)
{
    const QStringList paths = m_interaction->askOpenFiles(parent, startFolder());
    if (!paths.isEmpty())
        openFiles(paths);
}

void DocumentController::openRecentFile(const QString& path)
{
    if (openFiles({path}).isEmpty() && !QFileInfo::exists(path))
        m_recentFiles->remove(path);
}

DocumentWindow* DocumentController::addWindow(HostedDocument* hosted)
{
    QPointer<DocumentWindow> previous = m_windows.isEmpty() ? nullptr : m_windows.last();
    auto* window = new DocumentWindow(hosted);
    window->setAttribute(Qt::WA_DeleteOnClose);

    connect(window->newAction(), &QAction::triggered, this, [this] { newDocument(); });
    connect(window->openAction(), &QAction::triggered, this, [this, window] { open(window); });
    connect(window->saveAction(), &QAction::triggered, this, [this, window] { save(window); });
    connect(window->saveAsAction(), &QAction::triggered, this,
            [this, window] { saveAs(window); });
    connect(window->closeAction(), &QAction::triggered, this,
            [this, window] { closeDocument(window); });
    connect(window->quitAction(), &QAction::triggered, this, [this] { quit(); });
    connect(window->importAction(), &QAction::triggered, this,
            [this, window] { emit importRequested(window); });
    window->importAction()->setEnabled(m_importEnabled);
    connect(window, &DocumentWindow::filesDropped, this,
            [this](const QStringList& paths) { openFiles(paths); });
    connect(window, &DocumentWindow::recentFileChosen, this, &DocumentController::openRecentFile);
    connect(window, &DocumentWindow::clearRecentFilesChosen, this,
            [this] { m_recentFiles->clear(); });
    window->setRecentFiles(m_recentFiles->paths());
    window->setCloseGuard([this, window] { return confirmClose(window); });
    connect(window, &DocumentWindow::closed, this, [this, window] { forget(window); });

    m_windows << window;
    if (previous && previous->isVisible()) {
        // Cascade so a new window does not hide the last one exactly.
        window->move(previous->pos() + QPoint(24, 24));
    }
    bringForward(window);
    return window;
}

void DocumentController::forget(DocumentWindow* window)
{
    m_windows.removeIf([window](const QPointer<DocumentWindow>& w) { return !w || w == window; });
}

void DocumentController::setImportEnabled(bool enabled)
{
    m_importEnabled = enabled;
    for (DocumentWindow* window : windows())
        window->importAction()->setEnabled(enabled);
}

bool DocumentController::save(DocumentWindow* window)
{
    return saveDocument(window, window->document()->filePath().isEmpty());
}

bool DocumentController::saveAs(DocumentWindow* window)
{
    return saveDocument(window, true);
}

bool DocumentController::saveDocument(DocumentWindow* window, bool askForName)
{
    // A floating selection is part of what the user sees; it goes into the file.
    window->commitPendingEdits();
    HostedDocument* hosted = window->document();
    QString path = hosted->filePath();
    if (askForName) {
        const QString suggested = path.isEmpty()
            ? QDir(startFolder()).filePath(hosted->displayName() + QStringLiteral(".png"))
            : path;
        path = m_interaction->askSaveFileName(window, suggested);
        if (path.isEmpty())
            return false;
        path = withPngSuffix(path);
    }
    return writeFile(window, path);
}

bool DocumentController::writeFile(DocumentWindow* window, const QString& path)
{
    HostedDocument* hosted = window->document();
    if (const auto failure = document::writeDocumentFile(hosted->value(), path)) {
        m_interaction->warn(
            window,
            QStringLiteral("書類“%1”を保存できませんでした。").arg(QFileInfo(path).fileName()),
            document::errorText(*failure));
        return false;
    }
    hosted->markSaved(QFileInfo(path).absoluteFilePath());
    m_recentFiles->add(hosted->filePath());
    return true;
}

bool DocumentController::needsSaveQuestion(DocumentWindow* window) const
{
    return window->document()->isModified() || window->hasPendingEdits();
}

bool DocumentController::resolveUnsavedChanges(DocumentWindow* window)
{
    if (!needsSaveQuestion(window))
        return true;
    bringForward(window);
    switch (m_interaction->askSaveChanges(window, window->document()->displayName())) {
    case SaveChangesChoice::save:
        return save(window);
    case SaveChangesChoice::discard:
        return true;
    case SaveChangesChoice::cancel:
        return false;
    }
    return false;
}

bool DocumentController::confirmClose(DocumentWindow* window)
{
    return m_closingWithoutAsking || resolveUnsavedChanges(window);
}

bool DocumentController::closeDocument(DocumentWindow* window)
{
    return window->close();
}

bool DocumentController::quit()
{
    // Every question first, so a Cancel anywhere leaves every window open.
    for (DocumentWindow* window : windows())
        if (!resolveUnsavedChanges(window))
            return false;
    m_closingWithoutAsking = true;
    for (DocumentWindow* window : windows())
        window->close();
    m_closingWithoutAsking = false;
    return true;
}

}  // namespace pixmora::app
