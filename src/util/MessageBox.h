#pragma once

#include <cstdint>
#include <functional>
#include <string>

// The one modal message box of the program. The dialog itself is installed by the application
// (it needs Qt Widgets); tests install a recorder instead, so no test blocks on a dialog.

enum class MessageButton
{
    Yes,
    No,
    OK,
    Cancel,
    Abort,
    Retry,
    Ignore,
    All,
    NoToAll,
    YesToAll,
    Help,
};

enum class MessageType
{
    Warning,
    Error,
    Information,
    Confirmation,
    Custom,
};

class MessageBoxOptions
{
public:
    void AddButton(MessageButton button);
    void SetType(MessageType type) { type_ = type; }

    std::uint16_t Buttons() const { return buttons_; }
    MessageType Type() const { return type_; }
    bool HasButton(MessageButton button) const;

private:
    std::uint16_t buttons_ = 0;
    MessageType type_ = MessageType::Custom;
};

// Shows a modal message box and returns the pressed button (Cancel when the box was closed
// without a button). With no buttons set, OK alone is shown.
MessageButton ShowMessageBox(const std::string& text, MessageBoxOptions options = {});

// The dialog behind ShowMessageBox; it gets the options with the OK default already applied.
// With none installed, ShowMessageBox answers Cancel.
using MessageBoxHandler =
    std::function<MessageButton(const std::string&, const MessageBoxOptions&)>;
void SetMessageBoxHandler(MessageBoxHandler handler);
