#pragma once

#include <QApplication>

// The application object. An exception escaping an event handler, a timer tick or a socket
// notification is shown in a message box and the program goes on.
class TApplication : public QApplication
{
public:
    TApplication(int& argc, char** argv);
    ~TApplication() override;
    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows an exception's message as an error box.
void ShowException(const std::exception& error);
