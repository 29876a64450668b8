#include "util/MessageBox.h"

namespace {

MessageBoxHandler& Handler()
{
    static MessageBoxHandler handler;
    return handler;
}

std::uint16_t Bit(MessageButton button)
{
    return static_cast<std::uint16_t>(1u << static_cast<unsigned>(button));
}

} // namespace

void MessageBoxOptions::AddButton(MessageButton button)
{
    buttons_ |= Bit(button);
}

bool MessageBoxOptions::HasButton(MessageButton button) const
{
    return (buttons_ & Bit(button)) != 0;
}

MessageButton ShowMessageBox(const std::string& text, MessageBoxOptions options)
{
    if (options.Buttons() == 0) {
        options.AddButton(MessageButton::OK);
    }
    if (!Handler()) {
        return MessageButton::Cancel;
    }
    return Handler()(text, options);
}

void SetMessageBoxHandler(MessageBoxHandler handler)
{
    Handler() = std::move(handler);
}
