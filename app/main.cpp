// sorvel [FILE-OR-ADDRESS]: opens a window and plays the given file.
#include "PlayerWindow.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sorvel"));

    sorvel::PlayerWindow window;
    window.show();
    const QStringList arguments = QApplication::arguments();
    if (window.startSound() && arguments.size() > 1)
        window.openAndPlay(arguments.at(1));
    return app.exec();
}
