#pragma once

#include "platform/Platform.h"

#include <QDialog>

#include <string>

class QLabel;

// The About box: program name and version, legal line, web and mail links.
class TfrmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmAbout(platform::Platform& platform, QWidget* parent = nullptr);

    const std::string& WebAddress() const { return webAddress_; }
    const std::string& MailAddress() const { return mailAddress_; }

    void lblWWWClick();
    void lblMailClick();

private:
    platform::Platform& platform_;
    std::string webAddress_;
    std::string mailAddress_;
    QLabel* Image1;
    QLabel* lblProgramName;
    QLabel* lblCopyright;
    QLabel* lblWWW;
    QLabel* lblMail;
};
