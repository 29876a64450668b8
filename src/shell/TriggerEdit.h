#pragma once

#include "keyboard/HotKeyEdit.h"

#include <functional>

// The hot-key control in which the user presses the new trigger; it tells its owner of every
// combination it takes.
class TTriggerEdit : public THotKeyEdit
{
public:
    using THotKeyEdit::THotKeyEdit;

    // Shows a combination without telling the owner.
    void SetKeys(const CKeyCodes& keys);
    void UpdateKeyCodes() override;

    std::function<void()> OnChange;
};
