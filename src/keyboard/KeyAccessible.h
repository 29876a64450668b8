#pragma once

#include <QAccessibleWidget>

class TCustomKeyImage;

// A key of the drawn keyboard as assistive technologies see it: a push button with the key
// picture's accessible name ("S: Save") and description, a modifier checkable and checked while it
// is drawn pressed (latched or held), and a press action that clicks the key with the left button.
class CKeyAccessible : public QAccessibleWidget
{
public:
    explicit CKeyAccessible(TCustomKeyImage* key);

    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    TCustomKeyImage* Key() const;
};

// Makes assistive technologies see every key picture as a CKeyAccessible. Calling it again has
// no further effect.
void InstallKeyAccessibility();

// Tells assistive technologies that a key was drawn pressed or released: a modifier's checked
// state changed.
void NotifyKeyPressedChanged(TCustomKeyImage& key);
