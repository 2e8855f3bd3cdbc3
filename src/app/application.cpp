#include "app/application.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QTranslator>

#include "app/after_first_paint.h"
#include "app/app_resources.h"
#include "app/document_window.h"

namespace pixmora::app {
namespace {

// The desktop's style with our own symbol for the menu bar's overflow button. The
// styles' built-in one is a PNG, and Qt reads it as an image of unnamed format,
// which loads every image plugin installed while the first window is built.
class ApplicationStyle final : public QProxyStyle {
public:
    explicit ApplicationStyle(const QString& baseStyleName)
        : QProxyStyle(QStyleFactory::create(baseStyleName))
    {
    }

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option,
                       const QWidget* widget) const override
    {
        if (icon == SP_ToolBarHorizontalExtensionButton)
            return symbolIcon(QStringLiteral("chevron.right.2"), QApplication::palette());
        return QProxyStyle::standardIcon(icon, option, widget);
    }
};

}  // namespace

void configureApplication(QApplication& application)
{
    QApplication::setApplicationName(QStringLiteral("Pixmora"));
    QApplication::setApplicationDisplayName(QStringLiteral("Pixmora"));
    QApplication::setOrganizationName(QStringLiteral("Pixmora"));
    QApplication::setOrganizationDomain(QStringLiteral("pixmora.invalid"));
    QApplication::setQuitOnLastWindowClosed(true);
    // Ties the windows to the installed pixmora.desktop and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("pixmora"));
    initAppResources();
    // Keeps the style the desktop or the -style option chose.
    QApplication::setStyle(new ApplicationStyle(QApplication::style()->name()));

    // The interface is Japanese: keep the desktop's font first and let a Japanese
    // family supply the glyphs it lacks.
    QFont font = application.font();
    QStringList families{font.family()};
    // families(), not hasFamily(): the latter has fontconfig resolve each name as an
    // alias first, about a millisecond of every start.
    const QStringList installed = QFontDatabase::families();
    for (const QString& japanese : {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")})
        if (installed.contains(japanese, Qt::CaseInsensitive))
            families << japanese;
    font.setFamilies(families);
    application.setFont(font);
}

void installQtTranslations()
{
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
    } else {
        delete translator;
    }
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
    // Looking the icon up in the theme takes several milliseconds; the windows take
    // it once the first has been painted. Qt's dialogs come later still, so their
    // translations can wait as well.
    if (!m_documents.windows().isEmpty()) {
        runAfterFirstPaint(m_documents.windows().constFirst(), [] {
            QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("pixmora")));
            installQtTranslations();
        });
    }
}

}  // namespace pixmora::app
