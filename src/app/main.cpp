#include "TForm1.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Fornaxel");
    QApplication::setApplicationDisplayName("Fornaxel");
    TForm1 window;
    window.show();
    return app.exec();
}
