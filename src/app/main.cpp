#include <QApplication>
#include <QSettings>

#include "app/application.h"
#include "app/opengl_startup.h"

int main(int argc, char* argv[])
{
    pixmora::app::avoidOpenGLAtStartup();
    QApplication application(argc, argv);
    pixmora::app::configureApplication(application);

    pixmora::app::PixmoraApp pixmora;
    pixmora.documents().setRecentFilesSettings(std::make_unique<QSettings>());
    pixmora.start(QApplication::arguments().mid(1));
    return QApplication::exec();
}
