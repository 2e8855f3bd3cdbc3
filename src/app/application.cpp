#include "app/application.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>
#include <QImageReader>
#include <QTimer>

#include "app/app_resources.h"
#include "app/document_window.h"

namespace pixmora::app {

void avoidOpenGLAtStartup()
{
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
}

void configureApplication(QApplication& application)
{
    QApplication::setApplicationName(QStringLiteral("Pixmora"));
    QApplication::setApplicationDisplayName(QStringLiteral("Pixmora"));
    QApplication::setOrganizationName(QStringLiteral("Pixmora"));
    QApplication::setOrganizationDomain(QStringLiteral("pixmora.invalid"));
    QApplication::setQuitOnLastWindowClosed(true);
    // Ties the windows to the installed pixmora.desktop and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("pixmora"));
    // Looking the icon up in the theme takes several milliseconds; the first
    // window need not wait for it, it takes the icon when it comes.
    QTimer::singleShot(0, &application, [] {
        QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("pixmora")));
    });
    initAppResources();

    // The interface is Japanese: keep the desktop's font first and let a Japanese
    // family supply the glyphs it lacks.
    QFont font = application.font();
    QStringList families{font.family()};
    for (const QString& japanese : {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")})
        if (QFontDatabase::hasFamily(japanese))
            families << japanese;
    font.setFamilies(families);
    application.setFont(font);
}

StartupWarmUp::StartupWarmUp()
    : m_thread([] {
          // Qt reads the metadata of every image plugin installed the first time any
          // image is read; done here, that overlaps building the first window.
          QByteArray signature("\x89PNG\r\n\x1a\n", 8);
          QBuffer buffer(&signature);
          buffer.open(QIODevice::ReadOnly);
          QImageReader(&buffer, "png").canRead();
      })
{
}

StartupWarmUp::~StartupWarmUp()
{
    m_thread.join();
}

PixmoraApp::PixmoraApp(std::unique_ptr<UserInteraction> interaction,
                       std::unique_ptr<ImportInteraction> importInteraction, QObject* parent)
    : QObject(parent)
    , m_documents(std::move(interaction))
    , m_import(&m_documents, std::move(importInteraction))
{
    m_documents.setImportEnabled(true);
    connect(&m_documents, &DocumentController::importRequested, &m_import,
            &ImportFlow::importImage);
}

void PixmoraApp::start(const QStringList& files)
{
    QStringList paths;
    for (const QString& file : files)
        paths << QDir::current().absoluteFilePath(file);
    if (!paths.isEmpty())
        m_documents.openFiles(paths);
    if (m_documents.windows().isEmpty())
        m_documents.newDocument();
}

}  // namespace pixmora::app
