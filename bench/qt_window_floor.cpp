// The least a Japanese Qt Widgets window costs to reach the screen: bench/launch
// times it beside the editors, so each run shows how much of Pixmora's launch is
// the toolkit's and how much is ours.

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

#include "app/opengl_startup.h"

int main(int argc, char* argv[])
{
    pixmora::app::avoidOpenGLAtStartup();
    QApplication application(argc, argv);
    QMainWindow window;
    window.setCentralWidget(new QLabel(QStringLiteral("ファイル")));
    window.resize(1000, 720);
    window.show();
    return QApplication::exec();
}
