// A Wayland window for end-to-end tests: its application id and title from the command line; it
// prints each key combination it receives ("press Ctrl+S") on standard output.
// Usage: quorvel_wayland_target APP_ID TITLE

#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QRasterWindow>

#include <cstdio>

namespace {

class TargetWindow : public QRasterWindow
{
protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->isAutoRepeat()) {
            return;
        }
        const QString keys = QKeySequence(event->keyCombination()).toString();
        std::printf("press %s\n", qPrintable(keys));
        std::fflush(stdout);
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: quorvel_wayland_target APP_ID TITLE\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QString::fromLocal8Bit(argv[1]));
    TargetWindow window;
    window.setTitle(QString::fromLocal8Bit(argv[2]));
    window.resize(600, 400);
    window.show();
    return app.exec();
}
