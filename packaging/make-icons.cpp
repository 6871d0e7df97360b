// Writes the program's icon, as ui/Icons draws it, to PNG files for the
// desktop's icon theme: make-icons SIZE FILE [SIZE FILE]...
#include "ui/Icons.h"

#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    // No display is needed to draw into an image.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QStringList arguments = QGuiApplication::arguments().mid(1);
    if (arguments.isEmpty() || arguments.size() % 2 != 0) {
        std::fputs("usage: make-icons SIZE FILE [SIZE FILE]...\n", stderr);
        return 2;
    }
    for (qsizetype i = 0; i < arguments.size(); i += 2) {
        bool isNumber = false;
        const int size = arguments[i].toInt(&isNumber);
        if (!isNumber || size <= 0) {
            std::fprintf(stderr, "make-icons: \"%s\" is not a size\n", qPrintable(arguments[i]));
            return 2;
        }
        if (!vorlinda::ui::Icons::draw(size).save(arguments[i + 1], "PNG")) {
            std::fprintf(stderr, "make-icons: cannot write %s\n", qPrintable(arguments[i + 1]));
            return 1;
        }
    }
    return EXIT_SUCCESS;
}
