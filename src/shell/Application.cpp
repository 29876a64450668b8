#include "shell/Application.h"

#include "util/Mylib.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setQuitOnLastWindowClosed(false);
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowException(error);
    }
    return false;
}

void ShowException(const std::exception& error)
{
    MessageBoxOptions options;
    options.SetType(mtError);
    options.AddButton(mbOK);
    ShowMessageBox(error.what(), options);
}
