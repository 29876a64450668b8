#include "shell/TriggerEdit.h"

#include "platform/Platform.h"
#include "platform/VirtualKeys.h"

#include <QKeyEvent>

TTriggerEdit::TTriggerEdit(QWidget* parent) : QLineEdit(parent)
{
    // Nothing typed lands in the text, and no input method composes into it.
    setReadOnly(true);
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

void TTriggerEdit::SetKeys(const CKeyCodes& keys)
{
    keys_ = keys;
    setText(QString::fromStdString(keys_.GetText()));
}

void TTriggerEdit::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    std::uint8_t state[256] = {};
    if (!platform::Get().GetKeyboardState(state)) {
        return;
    }
    CKeyCodes keys;
    for (std::uint16_t code = 0; code < 256; ++code) {
        if ((state[code] & 0xF0) == 0) {
            continue;
        }
        // Side-specific Shift, Ctrl and Alt come with their either-side code.
        const std::uint16_t generic = GetGenericKeyCode(code);
        if (generic == vk::AnyWin || generic == 0) {
            keys.Add(generic ? generic : code);
        }
    }
    SetKeys(keys);
    if (OnChange) {
        OnChange();
    }
}
