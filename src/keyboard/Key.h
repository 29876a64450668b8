#pragma once

#include "framework/Timer.h"
#include "keys/ActionDescription.h"
#include "keys/HeldKeys.h"
#include "keys/KeyCodes.h"
#include "keyboard/KeyImage.h"

#include <QPointer>
#include <QRect>

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

// One key of the drawn keyboard: its code, its picture, the shortcut shown on it and whether it
// is drawn pressed.
class CKey
{
public:
    CKey();
    virtual ~CKey();
    CKey(const CKey&) = delete;
    CKey& operator=(const CKey&) = delete;

    virtual void Draw();

    bool Pressed() const { return pressed_; }
    const CActionDescription* ActionDescription() const { return actionDescription_; }
    int ShortCutCount() const { return shortCutCount_; }
    IKeyImage* KeyImage() const { return keyImage_; }
    // Each setter redraws only when the value changes.
    void SetPressed(bool value);
    void SetActionDescription(const CActionDescription* description);
    // The shortcut shown on the key and the number of shortcuts holding the key leads to (0 draws
    // none), drawn once.
    void SetAction(const CActionDescription* description, int shortCutCount);
    // Takes ownership of the image; a replaced image is destroyed.
    void SetKeyImage(IKeyImage* image);

    // Whether the physical key is held.
    bool IsRealPressed(const CHeldKeys& held) const;
    // A key of this code went down or up on the keyboard, which now holds held.
    void KeyDown(std::uint16_t code, const CHeldKeys& held);
    void KeyUp(std::uint16_t code, const CHeldKeys& held);
    // Draws the key released after ReleaseDelay (at once when it is under a millisecond).
    void Release();
    void ReleaseNow();
    void StopReleaseTimer();

    // Folded code: vk::Shift, vk::Control, vk::Menu or vk::AnyWin for a modifier of either side.
    std::uint16_t KeyCode = 0;
    // Side-specific code of a modifier key (91, 92, 160-165), otherwise 0.
    std::uint16_t AdditionalKeyCode = 0;
    // Seconds a released key stays drawn pressed.
    double ReleaseDelay = 0.3;
    // Called when the key has been drawn released: (KeyCode, AdditionalKeyCode).
    std::function<void(std::uint16_t, std::uint16_t)> OnRelease;

private:
    Timer releaseTimer_;
    bool pressed_ = false;
    const CActionDescription* actionDescription_ = nullptr;
    int shortCutCount_ = 0;
    // Guarded: the image may already be gone with its Qt parent.
    QPointer<IKeyImage> keyImage_;
};

// The whole drawn keyboard, in layout-file order. Owns its keys, which own their pictures.
class CKeys : public std::list<std::unique_ptr<CKey>>
{
public:
    CKeys() = default;
    CKeys(const CKeys&) = delete;
    CKeys& operator=(const CKeys&) = delete;

    // Appends a key and forwards its release notification to OnKeyRelease and clicks on its
    // picture to OnKeyClick.
    void Add(std::unique_ptr<CKey> key);

    void KeyDown(std::uint16_t code, const CHeldKeys& held);
    void KeyUp(std::uint16_t code, const CHeldKeys& held);
    CKeyCodes GetPressedKeyCodes() const;
    // Keys drawn pressed whose physical key is still held.
    CKeyCodes GetRealPressedKeyCodes(const CHeldKeys& held) const;
    std::vector<CKey*> FindKeys(std::uint16_t code) const;
    void SetActionDescription(std::uint16_t code, const CActionDescription* description);
    // Takes every shortcut and shortcut count off the keys.
    void ClearActionDescriptions();
    void StopReleaseTimers();
    // Draws every key released without notification.
    void ReleaseAll();

    std::function<void(std::uint16_t, std::uint16_t)> OnKeyRelease;
    std::function<void(CKey& key, Qt::MouseButton button, const QPoint& globalPos)> OnKeyClick;
};

// Where one key of a layout lies on the keyboard window, and the virtual-key code it sends.
struct KeyGeometry
{
    std::uint16_t code = 0;
    QRect rect;
    bool operator==(const KeyGeometry&) const = default;
};

// Key pictures that draw key names in keyFont and short names in actionFont.
struct KeyFonts
{
    TFont keyFont;
    TFont actionFont;
};

// A keyboard of these keys whose pictures lie on parent (shown) and whose keys stay drawn pressed
// for releaseDelay seconds after release. Each geometry's code names the key of that position on a
// US keyboard; the key gets the code the active layout gives the key there. Side-specific
// modifiers are folded to their common code.
std::unique_ptr<CKeys> MakeKeys(platform::Platform& platform,
                                const std::vector<KeyGeometry>& layout, const KeyFonts& fonts,
                                QWidget* parent, double releaseDelay);
