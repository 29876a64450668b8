/* exported init */
// Quorvel's GNOME Shell extension (GNOME Shell 43 and 44): the focused window for Quorvel and a
// virtual keyboard that carries out the shortcuts it asks for. The D-Bus side is in service.js.
'use strict';

const { Clutter, GLib, Gio, Shell } = imports.gi;
const Me = imports.misc.extensionUtils.getCurrentExtension();
const { Service } = Me.imports.service;

// Shift, Ctrl, Alt and Super; not the locks.
const MODIFIERS = Clutter.ModifierType.SHIFT_MASK | Clutter.ModifierType.CONTROL_MASK |
    Clutter.ModifierType.MOD1_MASK | Clutter.ModifierType.SUPER_MASK |
    Clutter.ModifierType.MOD4_MASK;

// What Quorvel is told of a window: never its title.
function describe(window) {
    if (!window)
        return null;
    const app = Shell.WindowTracker.get_default().get_window_app(window);
    return {
        window: window.get_id(),
        pid: Math.max(window.get_pid(), 0),
        appId: app && !app.is_window_backed() ? app.get_id() : '',
        wmClass: window.get_wm_class() ?? '',
    };
}

class Extension {
    enable() {
        const seat = Clutter.get_default_backend().get_default_seat();
        this._keyboard = seat.create_virtual_device(Clutter.InputDeviceType.KEYBOARD_DEVICE);
        this._service = new Service(Gio.DBus.session, {
            focus: () => describe(global.display.focus_window),
            modifiersHeld: () => (global.get_pointer()[2] & MODIFIERS) !== 0,
            notifyKey: (code, down) => this._keyboard.notify_key(GLib.get_monotonic_time(), code,
                down ? Clutter.KeyState.PRESSED : Clutter.KeyState.RELEASED),
        });
        this._focusHandler = global.display.connect('notify::focus-window',
            () => this._service.focusChanged());
    }

    disable() {
        global.display.disconnect(this._focusHandler);
        this._service.destroy();
        this._service = null;
        // Keys the device holds are released now, not at the next garbage collection.
        this._keyboard.run_dispose();
        this._keyboard = null;
    }
}

function init() {
    return new Extension();
}
