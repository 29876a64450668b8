/* exported Service, CLIENT_NAME, SERVICE_NAME, OBJECT_PATH, INTERFACE_NAME */
// The extension's D-Bus service, kept apart from the Shell so that plain gjs runs it in tests.
// It tells Quorvel which window has the focus and types the key combinations Quorvel asks for
// once Quorvel's own window has lost the focus and the user has let go of the modifier keys. Only the owner of CLIENT_NAME is answered, and
// focus changes are sent to it alone.
'use strict';

const { Gio, GLib } = imports.gi;

var CLIENT_NAME = 'org.quorvel.Quorvel';
var SERVICE_NAME = 'org.quorvel.Quorvel.Shell';
var OBJECT_PATH = '/org/quorvel/Quorvel/Shell';
var INTERFACE_NAME = 'org.quorvel.Quorvel.Shell1';

// The focused window: the Shell's window id, its process, the desktop entry the Shell matched it
// to (empty where none) and its window class. Window titles are never sent.
const INTERFACE_XML = `<node>
  <interface name="${INTERFACE_NAME}">
    <method name="GetFocus">
      <arg type="t" name="window" direction="out"/>
      <arg type="u" name="pid" direction="out"/>
      <arg type="s" name="appId" direction="out"/>
      <arg type="s" name="wmClass" direction="out"/>
    </method>
    <signal name="FocusChanged">
      <arg type="t" name="window"/>
      <arg type="u" name="pid"/>
      <arg type="s" name="appId"/>
      <arg type="s" name="wmClass"/>
    </signal>
    <method name="SendKeys">
      <arg type="a(ub)" name="keys" direction="in"/>
    </method>
  </interface>
</node>`;

// KEY_MAX of linux/input-event-codes.h: the highest evdev key code.
const MAX_KEY_CODE = 0x2ff;
// A combination and the releases of keys held before it: far fewer events than this.
const MAX_KEY_EVENTS = 64;
// How long SendKeys waits for Quorvel's window to lose the focus and the user to let go of the
// modifiers, and how often it looks at the modifiers (no signal tells their release).
const WAIT_MS = 2000;
const MODIFIER_POLL_MS = 20;

function focusTuple(focus) {
    return focus ? [focus.window, focus.pid, focus.appId, focus.wmClass] : [0, 0, '', ''];
}

// The key events of a SendKeys call, each an evdev key code and whether it goes down; null for
// anything else.
function validKeys(keys) {
    if (!Array.isArray(keys) || keys.length === 0 || keys.length > MAX_KEY_EVENTS)
        return null;
    const valid = keys.every(([code, down]) =>
        Number.isInteger(code) && code > 0 && code <= MAX_KEY_CODE && typeof down === 'boolean');
    return valid ? keys : null;
}

var Service = class {
    // connection: the session bus. shell.focus() describes the focused window
    // ({window, pid, appId, wmClass}, null while none has the focus); shell.modifiersHeld() tells
    // whether Shift, Ctrl, Alt or Super is held on any keyboard; shell.notifyKey(code, down)
    // sends an evdev key through the virtual keyboard. focusChanged() is called on every change.
    constructor(connection, shell) {
        this._connection = connection;
        this._shell = shell;
        this._client = null;
        this._clientPid = 0;
        this._waiters = [];
        this._impl = Gio.DBusExportedObject.wrapJSObject(INTERFACE_XML, this);
        this._impl.export(connection, OBJECT_PATH);
        this._watch = connection.watch_name(CLIENT_NAME, Gio.BusNameWatcherFlags.NONE,
            (bus, name, owner) => this._setClient(owner),
            () => this._setClient(null));
        this._name = connection.own_name(SERVICE_NAME, Gio.BusNameOwnerFlags.NONE, null, null);
    }

    destroy() {
        Gio.DBus.unwatch_name(this._watch);
        Gio.DBus.unown_name(this._name);
        this._impl.unexport();
        for (const waiter of [...this._waiters])
            this._finish(waiter, false);
    }

    focusChanged() {
        if (this._client) {
            this._connection.emit_signal(this._client, OBJECT_PATH, INTERFACE_NAME,
                'FocusChanged', new GLib.Variant('(tuss)', focusTuple(this._shell.focus())));
        }
        if (this._focusLeftClient()) {
            for (const waiter of [...this._waiters])
                this._finish(waiter, true);
        }
    }

    GetFocusAsync(params, invocation) {
        if (this._refused(invocation))
            return;
        invocation.return_value(new GLib.Variant('(tuss)', focusTuple(this._shell.focus())));
    }

    async SendKeysAsync([keys], invocation) {
        if (this._refused(invocation))
            return;
        const events = validKeys(keys);
        if (!events) {
            invocation.return_dbus_error('org.freedesktop.DBus.Error.InvalidArgs',
                `1 to ${MAX_KEY_EVENTS} key events of codes 1 to ${MAX_KEY_CODE} expected`);
            return;
        }
        if (!await this._focusAway()) {
            invocation.return_dbus_error('org.freedesktop.DBus.Error.Failed',
                'the focus did not leave the window of the caller');
            return;
        }
        // Mutter drops a key pressed on one keyboard while another holds it: the gesture's
        // modifiers, still held, are let go of first.
        if (!await this._modifiersReleased()) {
            invocation.return_dbus_error('org.freedesktop.DBus.Error.Failed',
                'the modifier keys were not released');
            return;
        }
        this._type(events);
        invocation.return_value(null);
    }

    // Sends the events. A release of a key this call did not press (one the user held) is left
    // out, and a key left down is released, so none stays held.
    _type(events) {
        const down = new Set();
        for (const [code, pressed] of events) {
            if (!pressed && !down.has(code))
                continue;
            this._shell.notifyKey(code, pressed);
            if (pressed)
                down.add(code);
            else
                down.delete(code);
        }
        for (const code of [...down].reverse())
            this._shell.notifyKey(code, false);
    }

    async _modifiersReleased() {
        for (let waited = 0; this._shell.modifiersHeld(); waited += MODIFIER_POLL_MS) {
            if (waited >= WAIT_MS)
                return false;
            await new Promise(resolve => GLib.timeout_add(GLib.PRIORITY_DEFAULT,
                MODIFIER_POLL_MS, () => {
                    resolve();
                    return GLib.SOURCE_REMOVE;
                }));
        }
        return true;
    }

    _refused(invocation) {
        if (this._client !== null && invocation.get_sender() === this._client)
            return false;
        invocation.return_dbus_error('org.freedesktop.DBus.Error.AccessDenied',
            `only the owner of ${CLIENT_NAME} is answered`);
        return true;
    }

    _setClient(owner) {
        this._client = owner;
        this._clientPid = 0;
        if (!owner)
            return;
        this._connection.call('org.freedesktop.DBus', '/org/freedesktop/DBus',
            'org.freedesktop.DBus', 'GetConnectionUnixProcessID', new GLib.Variant('(s)', [owner]),
            new GLib.VariantType('(u)'), Gio.DBusCallFlags.NONE, -1, null, (bus, result) => {
                try {
                    const [pid] = bus.call_finish(result).deepUnpack();
                    if (this._client === owner)
                        this._clientPid = pid;
                } catch (e) {
                    logError(e, 'the process of Quorvel is not known');
                }
            });
    }

    // A window other than the client's has the focus.
    _focusLeftClient() {
        const focus = this._shell.focus();
        return focus !== null && focus.pid !== this._clientPid;
    }

    _focusAway() {
        if (this._focusLeftClient())
            return Promise.resolve(true);
        return new Promise(resolve => {
            const waiter = {resolve};
            waiter.timeout = GLib.timeout_add(GLib.PRIORITY_DEFAULT, WAIT_MS, () => {
                waiter.timeout = 0;
                this._finish(waiter, false);
                return GLib.SOURCE_REMOVE;
            });
            this._waiters.push(waiter);
        });
    }

    _finish(waiter, focusAway) {
        this._waiters = this._waiters.filter(other => other !== waiter);
        if (waiter.timeout)
            GLib.source_remove(waiter.timeout);
        waiter.resolve(focusAway);
    }
};
