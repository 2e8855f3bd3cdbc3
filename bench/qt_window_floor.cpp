// The least a Japanese Qt Widgets window costs to reach the screen: bench/launch
// times it beside the editors, so each run shows how much of Pixmora's launch is
// the toolkit's and how much is ours.

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    // As the editor does: no OpenGL driver at start-up.
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    QApplication application(argc, argv);
    QMainWindow window;
    window.setCentralWidget(new QLabel(QStringLiteral("ファイル")));
    window.resize(1000, 720);
    window.show();
    return QApplication::exec();
}
