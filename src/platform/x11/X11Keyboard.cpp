// The keyboard on X11: the hot key, the key state, synthetic input and the layout.
// Qt headers come first: Xlib's macros (None, Bool, KeyPress) break them.
#include "platform/x11/X11Platform.h"

#include "platform/linux/KeyMapping.h"
#include "platform/linux/Log.h"
#include "platform/VirtualKeys.h"

#include <QTimer>

#include "platform/x11/XConnection.h"
#include "platform/x11/XErrorTrap.h"

#include <X11/XKBlib.h>
#include <X11/Xlib-xcb.h>
#include <X11/extensions/XTest.h>
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>

#include <algorithm>
#include <utility>

namespace platform {

namespace {

// A grab holds only for the exact modifier state, so each hot key is grabbed once per
// combination of the lock modifiers: Caps Lock, Num Lock (Mod2) and Scroll Lock (Mod5).
constexpr unsigned LockMaskCombinations[] = {
    0,
    LockMask,
    Mod2Mask,
    Mod5Mask,
    LockMask | Mod2Mask,
    LockMask | Mod5Mask,
    Mod2Mask | Mod5Mask,
    LockMask | Mod2Mask | Mod5Mask,
};
constexpr unsigned HotKeyModifierMask = ShiftMask | ControlMask | Mod1Mask | Mod4Mask;

unsigned XModifiers(std::uint32_t modifiers)
{
    unsigned mask = 0;
    mask |= (modifiers & ModAlt) ? Mod1Mask : 0;
    mask |= (modifiers & ModControl) ? ControlMask : 0;
    mask |= (modifiers & ModShift) ? ShiftMask : 0;
    mask |= (modifiers & ModWin) ? Mod4Mask : 0;
    return mask;
}

} // namespace

void XConnection::HandleKey(const XKeyEvent& key)
{
    for (HotKey& hotKey : hotKeys) {
        if (hotKey.keyCode != key.keycode) {
            continue;
        }
        if (key.type == KeyRelease) {
            hotKey.down = false;
        } else if (!hotKey.down && (key.state & HotKeyModifierMask) == hotKey.modifiers) {
            hotKey.down = true;
            requestTime = key.time;
            // Runs from the event loop, never inside another platform call that drained.
            if (hotKey.callback) {
                QTimer::singleShot(0, notifier.get(), hotKey.callback);
            }
        }
    }
}

void XConnection::LayoutChanged()
{
    if (mappingStale) {
        return;
    }
    mappingStale = true;
    // Read from the event loop, so that the hot key follows a layout switch at once; never inside
    // the platform call that drained the event.
    QTimer::singleShot(0, notifier.get(), [this] { Mapping(); });
}

const xkb::KeyMapping& XConnection::Mapping()
{
    if (mappingStale) {
        mappingStale = false;
        ReadMapping();
    }
    return mapping;
}

void XConnection::ReadMapping()
{
    if (!xkbEventBase) {
        return;
    }
    xcb_connection_t* connection = XGetXCBConnection(display);
    std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> keymap(
        xkb_x11_keymap_new_from_device(xkbContext.get(), connection,
                                       xkb_x11_get_core_keyboard_device_id(connection),
                                       XKB_KEYMAP_COMPILE_NO_FLAGS),
        &xkb_keymap_unref);
    XkbStateRec state{};
    if (!keymap || XkbGetState(display, XkbUseCoreKbd, &state) != Success) {
        qCWarning(lcPlatform) << "cannot read the keyboard layout";
        Drain();
        return;
    }
    // rules, model, layout, variant and options, each ended by a zero byte.
    const std::string rules = TextProperty(root, xkbRulesNames);
    std::string layouts;
    for (std::size_t at = 0, item = 0; at < rules.size() && item <= 2; ++item) {
        const std::size_t end = std::min(rules.find('\0', at), rules.size());
        layouts = rules.substr(at, end - at);
        at = end + 1;
    }
    xkb::KeyMapping read(keymap.get(), state.group, layouts);
    if (read != mapping) {
        mapping = std::move(read);
        ++mappingRevision;
        for (HotKey& hotKey : hotKeys) {
            const unsigned xKey = mapping.XKeyOfVirtualKey(hotKey.code);
            if (xKey != hotKey.keyCode) {
                Ungrab(hotKey.keyCode, hotKey.modifiers);
                hotKey.keyCode = xKey != 0 && Grab(xKey, hotKey.modifiers) ? xKey : 0;
                hotKey.down = false;
            }
        }
    }
    Drain();
}

bool XConnection::Grab(unsigned xKey, unsigned mask)
{
    XErrorTrap trap(display);
    for (const unsigned locks : LockMaskCombinations) {
        XGrabKey(display, static_cast<int>(xKey), mask | locks, root, False, GrabModeAsync,
                 GrabModeAsync);
    }
    // BadAccess: another program holds the combination.
    const bool refused = trap.Sync() != Success;
    if (refused) {
        Ungrab(xKey, mask);
    }
    return !refused;
}

void XConnection::Ungrab(unsigned xKey, unsigned mask)
{
    if (xKey == 0) {
        return;
    }
    for (const unsigned locks : LockMaskCombinations) {
        XUngrabKey(display, static_cast<int>(xKey), mask | locks, root);
    }
}

bool X11Platform::ReadKeymap()
{
    // Only the program's own input is read: while another program has the keyboard, nothing is.
    // The focus is asked before and after the read; a read during which it moved is discarded.
    const Window focus = x_ ? x_->OwnFocus() : 0;
    if (focus == 0) {
        if (x_) {
            x_->Drain();
        }
        return false;
    }
    char keys[32];
    XQueryKeymap(x_->display, keys);
    Window rootReturn = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned buttons = 0;
    const bool pointerRead = XQueryPointer(x_->display, x_->root, &rootReturn, &child, &rootX,
                                           &rootY, &windowX, &windowY, &buttons);
    if (x_->OwnFocus() != focus) {
        x_->Drain();
        return false;
    }
    keymap_.fill(0);
    const xkb::KeyMapping& mapping = x_->Mapping();
    for (unsigned xKey = 0; xKey < 256; ++xKey) {
        if (keys[xKey / 8] & (1 << (xKey % 8))) {
            if (const std::uint8_t code = mapping.VirtualKeyOfXKey(xKey)) {
                keymap_[code] = 0x80;
            }
        }
    }
    keymap_[vk::Shift] = keymap_[vk::LShift] | keymap_[vk::RShift];
    keymap_[vk::Control] = keymap_[vk::LControl] | keymap_[vk::RControl];
    keymap_[vk::Menu] = keymap_[vk::LMenu] | keymap_[vk::RMenu];
    if (pointerRead) {
        // X numbers the middle button 2 and the right one 3.
        keymap_[vk::LButton] = (buttons & Button1Mask) ? 0x80 : 0;
        keymap_[vk::RButton] = (buttons & Button3Mask) ? 0x80 : 0;
        keymap_[vk::MButton] = (buttons & Button2Mask) ? 0x80 : 0;
    }
    x_->Drain();
    return true;
}

bool X11Platform::GetKeyboardState(std::uint8_t state[256])
{
    if (!ReadKeymap()) {
        return false;
    }
    std::copy(keymap_.begin(), keymap_.end(), state);
    return true;
}

bool X11Platform::WatchKeyState(std::function<void(std::uint16_t code, bool down)> onChange)
{
    if (!x_) {
        return false;
    }
    ++keyWatches_;
    onKeyState_ = std::move(onChange);
    reportedKeys_.fill(false);
    if (onKeyState_) {
        keyWatch_.start();
    } else {
        keyWatch_.stop();
    }
    return true;
}

void X11Platform::ReportKeyChanges()
{
    // While another program has the keyboard nothing is reported; the keys down once this one
    // has it again are reported afresh.
    if (!ReadKeymap()) {
        reportedKeys_.fill(false);
        return;
    }
    const std::uint64_t watch = keyWatches_;
    for (std::uint16_t code = 0; code < reportedKeys_.size(); ++code) {
        // The common Shift, Ctrl and Alt codes stand for their sides, which are reported.
        if (code == vk::Shift || code == vk::Control || code == vk::Menu) {
            continue;
        }
        const bool down = (keymap_[code] & 0x80) != 0;
        if (down == reportedKeys_[code]) {
            continue;
        }
        reportedKeys_[code] = down;
        // The watcher may stop or replace the watch from inside the call.
        const auto onChange = onKeyState_;
        onChange(code, down);
        if (keyWatches_ != watch) {
            return;
        }
    }
}

void X11Platform::SendKeyEvent(std::uint8_t code, bool keyUp)
{
    if (!x_ || !x_->hasXTest) {
        return;
    }
    // A code the layout has no key for is sent as nothing, never as the key of its position.
    const unsigned xKey = x_->Mapping().XKeyOfVirtualKey(code);
    if (xKey == 0) {
        return;
    }
    XTestFakeKeyEvent(x_->display, xKey, keyUp ? False : True, CurrentTime);
    XFlush(x_->display);
}

bool X11Platform::RegisterHotKey(std::uint32_t modifiers, std::uint16_t code,
                                 std::function<void()> onHotKey)
{
    const unsigned xKey = x_ ? x_->Mapping().XKeyOfVirtualKey(code) : 0;
    if (xKey == 0) {
        return false;
    }
    const unsigned mask = XModifiers(modifiers);
    const bool grabbed = x_->Grab(xKey, mask);
    x_->Drain();
    if (!grabbed) {
        qCWarning(lcPlatform) << "the hot key is held by another program; key code" << code
                              << "modifiers" << modifiers;
        return false;
    }
    x_->hotKeys.push_back({code, xKey, mask, std::move(onHotKey)});
    return true;
}

void X11Platform::UnregisterHotKey(std::uint32_t modifiers, std::uint16_t code)
{
    if (!x_) {
        return;
    }
    const unsigned mask = XModifiers(modifiers);
    auto& hotKeys = x_->hotKeys;
    const auto registered = std::find_if(hotKeys.begin(), hotKeys.end(), [&](const auto& hotKey) {
        return hotKey.code == code && hotKey.modifiers == mask;
    });
    if (registered == hotKeys.end()) {
        return;
    }
    x_->Ungrab(registered->keyCode, mask);
    hotKeys.erase(registered);
    // Released once this returns: another client grabbing it next is not refused by a request
    // still on its way.
    XSync(x_->display, False);
    x_->Drain();
}

const xkb::KeyMapping& X11Platform::Mapping() const
{
    static const xkb::KeyMapping usPositions;
    return x_ ? x_->Mapping() : usPositions;
}

std::uint64_t X11Platform::GetKeyboardLayoutRevision()
{
    if (!x_) {
        return 0;
    }
    x_->Mapping();
    return x_->mappingRevision;
}

} // namespace platform
