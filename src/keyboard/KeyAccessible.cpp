#include "keyboard/KeyAccessible.h"

#include "keyboard/KeyImage.h"
#include "platform/VirtualKeys.h"

namespace {

// The keys a click latches: the folded code of either side's modifier.
bool IsModifier(std::uint16_t code)
{
    return code == vk::Shift || code == vk::Control || code == vk::Menu || code == vk::AnyWin;
}

QAccessibleInterface* MakeKeyAccessible(const QString&, QObject* object)
{
    // Key pictures declare no meta-object of their own: they come with QWidget's class name.
    auto* key = dynamic_cast<TCustomKeyImage*>(object);
    return key ? new CKeyAccessible(key) : nullptr;
}

} // namespace

CKeyAccessible::CKeyAccessible(TCustomKeyImage* key) : QAccessibleWidget(key, QAccessible::Button)
{
}

TCustomKeyImage* CKeyAccessible::Key() const
{
    return static_cast<TCustomKeyImage*>(widget());
}

QAccessible::State CKeyAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    if (IsModifier(Key()->KeyCode)) {
        state.checkable = true;
        state.checked = Key()->Pressed;
    }
    return state;
}

QStringList CKeyAccessible::actionNames() const
{
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void CKeyAccessible::doAction(const QString& actionName)
{
    if (actionName != pressAction()) {
        QAccessibleWidget::doAction(actionName);
        return;
    }
    TCustomKeyImage* key = Key();
    if (key->OnClick) {
        key->OnClick(Qt::LeftButton, key->mapToGlobal(key->rect().center()));
    }
}

void InstallKeyAccessibility()
{
    QAccessible::installFactory(MakeKeyAccessible);
}

void NotifyKeyPressedChanged(TCustomKeyImage& key)
{
    if (!IsModifier(key.KeyCode)) {
        return;
    }
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(&key, changed);
    QAccessible::updateAccessibility(&event);
}
