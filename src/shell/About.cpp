#include "shell/About.h"

#include "platform/Platform.h"
#include "services/Translation.h"
#include "services/VersionInfo.h"
#include "util/Text.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int IconSize = 64;
constexpr int MinimumWidth = 380;

QLabel* MakeLink(const std::string& text, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setText(
        QStringLiteral("<a href=\"#\">%1</a>").arg(QString::fromStdString(text).toHtmlEscaped()));
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    label->setCursor(Qt::PointingHandCursor);
    return label;
}

} // namespace

TfrmAbout::TfrmAbout(platform::Platform& platform, QWidget* parent)
    : QDialog(parent), platform_(platform), webAddress_("https://quorvel.org"),
      mailAddress_("support@quorvel.org")
{
    setWindowTitle(QString::fromStdString(Translate("О программе")));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    const std::string exe = platform.GetExecutablePath();
    Image1 = new QLabel(this);
    Image1->setPixmap(QIcon(":/icons/quorvel-64.png").pixmap(IconSize, IconSize));
    Image1->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    lblProgramName = new QLabel(QString::fromStdString(FormatText(
                                    "Quorvel %s", GetVersionString(platform, exe, "FileVersion"))),
                                this);
    QFont bold = lblProgramName->font();
    bold.setBold(true);
    lblProgramName->setFont(bold);
    lblCopyright =
        new QLabel(QString::fromStdString(GetVersionString(platform, exe, "LegalCopyright")), this);
    lblCopyright->setWordWrap(true);
    lblWWW = MakeLink(webAddress_, this);
    lblMail = MakeLink(mailAddress_, this);
    connect(lblWWW, &QLabel::linkActivated, this, [this] { lblWWWClick(); });
    connect(lblMail, &QLabel::linkActivated, this, [this] { lblMailClick(); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::hide);

    auto* text = new QVBoxLayout;
    text->addWidget(lblProgramName);
    text->addWidget(lblCopyright);
    text->addSpacing(8);
    text->addWidget(lblWWW);
    text->addWidget(lblMail);
    text->addStretch();
    auto* grid = new QGridLayout(this);
    grid->addWidget(Image1, 0, 0);
    grid->addLayout(text, 0, 1);
    grid->addWidget(buttons, 1, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    setMinimumWidth(MinimumWidth);
}

void TfrmAbout::lblWWWClick()
{
    platform_.ShellOpen(webAddress_);
}

void TfrmAbout::lblMailClick()
{
    platform_.ShellOpen(FormatText("mailto:%s", mailAddress_));
}
