// The floor for the start-up bench: a bare Qt Widgets window of the main
// window's size, with nothing in it.
#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Floor window"));
    window.setFixedSize(495, 630);
    window.show();
    return app.exec();
}
