#include "shell/TriggerEdit.h"

void TTriggerEdit::SetKeys(const CKeyCodes& keys)
{
    KeyCodes = keys;
    THotKeyEdit::UpdateKeyCodes();
}

void TTriggerEdit::UpdateKeyCodes()
{
    THotKeyEdit::UpdateKeyCodes();
    if (OnChange) {
        OnChange();
    }
}
