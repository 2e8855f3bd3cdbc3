#pragma once

#include <memory>

#include <QObject>
#include <QStringList>

#include "app/document_controller.h"
#include "app/import_flow.h"

class QApplication;

namespace pixmora::app {

// Names, font and resources of the running application. Call once, right after
// the QApplication exists and before any window.
void configureApplication(QApplication& application);

// Qt's own dialogs (files, colours) and standard buttons in Japanese, as the rest
// of the interface, when Qt's translations are installed; English otherwise.
// start() does this once the first window has been painted.
void installQtTranslations();

// The running program: the document host and what happens at launch.
class PixmoraApp : public QObject {
    Q_OBJECT

public:
    explicit PixmoraApp(std::unique_ptr<UserInteraction> interaction = {},
                        std::unique_ptr<ImportInteraction> importInteraction = {},
                        QObject* parent = nullptr);

    DocumentController& documents() { return m_documents; }
    ImportFlow& importFlow() { return m_import; }

    // Opens the files given on the command line. With none, or when none of them
    // could be opened (after their alerts), one new document opens, so the program
    // never runs without a window.
    void start(const QStringList& files);

private:
    DocumentController m_documents;
    ImportFlow m_import;
};

}  // namespace pixmora::app
