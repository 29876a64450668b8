/* exported ShellSide */
// What the D-Bus service needs of GNOME Shell: the focused window, the modifiers held and a
// virtual keyboard. The libraries and the Shell's global object are handed in, so the file needs
// no import and serves both the Shell's legacy imports and its ES modules (45 and later).
'use strict';

// What Quorvel is told of a window: never its title.
function describe(window, Shell) {
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

var ShellSide = class {
    // gi: {Clutter, GLib, Shell}; shellGlobal: the Shell's `global`.
    constructor(gi, shellGlobal) {
        const {Clutter} = gi;
        this._gi = gi;
        this._global = shellGlobal;
        // Shift, Ctrl, Alt and Super; not the locks.
        this._modifiers = Clutter.ModifierType.SHIFT_MASK | Clutter.ModifierType.CONTROL_MASK |
            Clutter.ModifierType.MOD1_MASK | Clutter.ModifierType.SUPER_MASK |
            Clutter.ModifierType.MOD4_MASK;
        // Later Shells reach the backend through the stage's context, and Shell 51 has no
        // Clutter.get_default_backend() (see README.md).
        const backend = shellGlobal.stage.context?.get_backend() ?? Clutter.get_default_backend();
        this._keyboard = backend.get_default_seat().create_virtual_device(
            Clutter.InputDeviceType.KEYBOARD_DEVICE);
        this._focusHandlers = [];
    }

    // Calls onChange at every focus change until destroy().
    watchFocus(onChange) {
        this._focusHandlers.push(this._global.display.connect('notify::focus-window', onChange));
    }

    focus() {
        return describe(this._global.display.focus_window, this._gi.Shell);
    }

    modifiersHeld() {
        return (this._global.get_pointer()[2] & this._modifiers) !== 0;
    }

    notifyKey(code, down) {
        const {Clutter, GLib} = this._gi;
        this._keyboard.notify_key(GLib.get_monotonic_time(), code,
            down ? Clutter.KeyState.PRESSED : Clutter.KeyState.RELEASED);
    }

    destroy() {
        for (const handler of this._focusHandlers)
            this._global.display.disconnect(handler);
        this._focusHandlers = [];
        // Keys the device holds are released now, not at the next garbage collection.
        this._keyboard.run_dispose();
        this._keyboard = null;
    }
};
