#include "shell/Application.h"

#include "keyboard/KeyAccessible.h"
#include "util/MessageBox.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

MessageButton ShowQtMessageBox(const std::string& text, const MessageBoxOptions& options)
{
    static const struct
    {
        MessageButton button;
        QMessageBox::StandardButton standard;
    } buttons[] = {
        {MessageButton::Yes, QMessageBox::Yes},
        {MessageButton::No, QMessageBox::No},
        {MessageButton::OK, QMessageBox::Ok},
        {MessageButton::Cancel, QMessageBox::Cancel},
        {MessageButton::Abort, QMessageBox::Abort},
        {MessageButton::Retry, QMessageBox::Retry},
        {MessageButton::Ignore, QMessageBox::Ignore},
        {MessageButton::All, QMessageBox::NoButton},
        {MessageButton::NoToAll, QMessageBox::NoToAll},
        {MessageButton::YesToAll, QMessageBox::YesToAll},
        {MessageButton::Help, QMessageBox::Help},
    };
    static const QMessageBox::Icon icons[] = {QMessageBox::Warning, QMessageBox::Critical,
                                              QMessageBox::Information, QMessageBox::Question,
                                              QMessageBox::NoIcon};

    QMessageBox box(icons[static_cast<int>(options.Type())], QStringLiteral("Quorvel"),
                    QString::fromStdString(text));
    // Texts from files and the base are shown as they are, never as markup.
    box.setTextFormat(Qt::PlainText);
    // A path or an error in the text can be copied.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    std::vector<std::pair<QAbstractButton*, MessageButton>> added;
    for (const auto& b : buttons) {
        if (!options.HasButton(b.button)) {
            continue;
        }
        // "All" has no standard button of its own: give it a plain accept button.
        QAbstractButton* button =
            b.button == MessageButton::All
                ? box.addButton(QMessageBox::tr("All"), QMessageBox::AcceptRole)
                : box.addButton(b.standard);
        added.emplace_back(button, b.button);
    }
    box.exec();
    for (const auto& [button, index] : added) {
        if (box.clickedButton() == button) {
            return index == MessageButton::Help ? MessageButton::Cancel : index;
        }
    }
    return MessageButton::Cancel;
}

} // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setQuitOnLastWindowClosed(false);
    SetMessageBoxHandler(ShowQtMessageBox);
    InstallKeyAccessibility();
}

TApplication::~TApplication()
{
    SetMessageBoxHandler(nullptr);
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
    options.SetType(MessageType::Error);
    options.AddButton(MessageButton::OK);
    ShowMessageBox(error.what(), options);
}
