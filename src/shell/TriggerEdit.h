#pragma once

#include "keys/KeyCodes.h"

#include <QLineEdit>

#include <functional>

// The line in which the user presses the new trigger: every key press takes the whole set of
// keys held at that moment and shows it; typed characters never reach the text.
class TTriggerEdit : public QLineEdit
{
public:
    explicit TTriggerEdit(QWidget* parent = nullptr);

    const CKeyCodes& Keys() const { return keys_; }
    void SetKeys(const CKeyCodes& keys);
    // Called after the user pressed a combination.
    std::function<void()> OnChange;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    CKeyCodes keys_;
};
