// Quorvel's GNOME Shell extension in either form, on a private session bus with the Shell played
// by fakes: the D-Bus service (who is answered, what the focus tells, when and which keys are
// typed), the Shell's side (what a window tells, which modifiers count, the virtual keyboard) and,
// for the Shell 45 form, the extension's enable and disable.
// Usage: dbus-run-session -- gjs -m gnome-extension-test.js EXTENSION_DIR legacy|module [RESOURCE]
// RESOURCE: a GResource with a stand-in for the Shell's extensions/extension.js (module form).
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import System from 'system';

const [extensionDir, form, shellResource] = System.programArgs;

// The extension's files: the Shell 43 form through the legacy importer, the 45 form as modules,
// with a stand-in for the Shell's own module registered first. Loaded from main(): a module that
// awaits at its top level gets no answer to a promise while its main loop runs.
let Service, CLIENT_NAME, SERVICE_NAME, OBJECT_PATH, INTERFACE_NAME, ShellSide;
let QuorvelExtension = null;
async function loadExtension() {
    let service, shell;
    if (form === 'legacy') {
        imports.searchPath.unshift(extensionDir);
        [service, shell] = [imports.service, imports.shell];
    } else {
        service = await import(`file://${extensionDir}/service.js`);
        shell = await import(`file://${extensionDir}/shell.js`);
        Gio.resources_register(Gio.Resource.load(shellResource));
        ({default: QuorvelExtension} = await import(`file://${extensionDir}/extension.js`));
    }
    ({Service, CLIENT_NAME, SERVICE_NAME, OBJECT_PATH, INTERFACE_NAME} = service);
    ({ShellSide} = shell);
}

Gio._promisify(Gio.DBusConnection.prototype, 'call', 'call_finish');

let passed = 0;
let failed = 0;
function check(what, ok) {
    if (ok) {
        passed++;
    } else {
        failed++;
        print(`FAIL - ${what}`);
    }
}

function sleep(ms) {
    return new Promise(resolve => GLib.timeout_add(GLib.PRIORITY_DEFAULT, ms, () => {
        resolve();
        return GLib.SOURCE_REMOVE;
    }));
}

async function until(condition, ms = 2000) {
    for (let waited = 0; !condition() && waited < ms; waited += 10)
        await sleep(10);
    return condition();
}

function connect() {
    const address = Gio.dbus_address_get_for_bus_sync(Gio.BusType.SESSION, null);
    return Gio.DBusConnection.new_for_address_sync(address,
        Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT |
        Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, null, null);
}

function busCall(connection, method, args) {
    return connection.call_sync('org.freedesktop.DBus', '/org/freedesktop/DBus',
        'org.freedesktop.DBus', method, args, null, Gio.DBusCallFlags.NONE, -1, null);
}

// The answer of a method of the service, or the D-Bus error's name.
async function ask(connection, method, args = null) {
    try {
        const reply = await connection.call(SERVICE_NAME, OBJECT_PATH, INTERFACE_NAME, method,
            args, null, Gio.DBusCallFlags.NONE, 5000, null);
        return reply.deepUnpack();
    } catch (e) {
        return Gio.DBusError.get_remote_error(e);
    }
}

function keys(events) {
    return new GLib.Variant('(a(ub))', [events]);
}

// The Shell: the focused window as the test sets it, and the keys typed.
const shell = {
    focused: null,
    modifiers: false,
    typed: [],
    focus() {
        return this.focused;
    },
    modifiersHeld() {
        return this.modifiers;
    },
    notifyKey(code, down) {
        this.typed.push(`${down ? '+' : '-'}${code}`);
    },
};
const ownPid = Number(new Gio.Credentials().get_unix_pid());
const overlay = {window: 7, pid: ownPid, appId: '', wmClass: 'org.quorvel.Quorvel'};
const editor = {window: 12, pid: 4242, appId: 'org.gnome.TextEditor.desktop',
    wmClass: 'org.gnome.TextEditor'};
const CtrlS = [[29, true], [31, true], [31, false], [29, false]];

async function accessAndFocus(service, client, stranger) {
    check('nobody is answered while Quorvel does not run',
        await ask(client, 'GetFocus') === 'org.freedesktop.DBus.Error.AccessDenied');
    busCall(client, 'RequestName', new GLib.Variant('(su)', [CLIENT_NAME, 4]));
    await until(() => service._client !== null);
    check('no window focused: zeros', JSON.stringify(await ask(client, 'GetFocus')) ===
        JSON.stringify([0, 0, '', '']));
    shell.focused = editor;
    check('the focused window to the owner of Quorvel\'s name',
        JSON.stringify(await ask(client, 'GetFocus')) ===
        JSON.stringify([12, 4242, 'org.gnome.TextEditor.desktop', 'org.gnome.TextEditor']));
    check('another program is refused the focus',
        await ask(stranger, 'GetFocus') === 'org.freedesktop.DBus.Error.AccessDenied');
    check('another program is refused keys',
        await ask(stranger, 'SendKeys', keys(CtrlS)) ===
        'org.freedesktop.DBus.Error.AccessDenied');
    check('a refused call types nothing', shell.typed.length === 0);

    const signals = {client: [], stranger: []};
    for (const [name, connection] of [['client', client], ['stranger', stranger]]) {
        connection.signal_subscribe(null, INTERFACE_NAME, 'FocusChanged', OBJECT_PATH, null,
            Gio.DBusSignalFlags.NONE, (...args) => signals[name].push(args[5].deepUnpack()));
    }
    shell.focused = overlay;
    service.focusChanged();
    check('a focus change reaches Quorvel', await until(() => signals.client.length === 1) &&
        JSON.stringify(signals.client[0]) ===
        JSON.stringify([7, ownPid, '', 'org.quorvel.Quorvel']));
    await sleep(100);
    check('a focus change reaches no one else', signals.stranger.length === 0);
}

async function typing(service, client) {
    for (const [what, events] of [['no key', []], ['key code 0', [[0, true]]],
        ['a key code past KEY_MAX', [[0x300, true]]],
        ['65 events', Array(65).fill([30, true])]]) {
        check(`${what} is refused as invalid`, await ask(client, 'SendKeys', keys(events)) ===
            'org.freedesktop.DBus.Error.InvalidArgs');
    }
    check('invalid keys type nothing', shell.typed.length === 0);

    // The overlay has the focus: the keys wait until another window has it.
    let answered = false;
    const answer = ask(client, 'SendKeys', keys(CtrlS)).then(reply => {
        answered = true;
        return reply;
    });
    await sleep(200);
    check('keys wait while Quorvel\'s window has the focus', !answered && shell.typed.length === 0);
    shell.focused = editor;
    service.focusChanged();
    check('the call is answered once the focus left', Array.isArray(await answer));
    check('the keys are typed in order once the focus left',
        shell.typed.join(' ') === '+29 +31 -31 -29');

    shell.typed = [];
    await ask(client, 'SendKeys', keys([[42, true], [30, true], [30, false]]));
    check('a key left down is released', shell.typed.join(' ') === '+42 +30 -30 -42');

    // As the gesture sends it: the keys the user holds released first, then the combination.
    shell.typed = [];
    shell.modifiers = true;
    answered = false;
    const held = ask(client, 'SendKeys', keys([[29, false], [29, true], [31, false], [31, true],
        [29, false], [31, false]])).then(reply => {
        answered = true;
        return reply;
    });
    await sleep(200);
    check('keys wait while a modifier is held', !answered && shell.typed.length === 0);
    shell.modifiers = false;
    check('the call is answered once the modifiers are let go of', Array.isArray(await held));
    check('releases of keys the user held are left out',
        shell.typed.join(' ') === '+29 +31 -29 -31');

    shell.typed = [];
    shell.modifiers = true;
    check('keys are refused when a modifier stays held',
        await ask(client, 'SendKeys', keys(CtrlS)) === 'org.freedesktop.DBus.Error.Failed' &&
        shell.typed.length === 0);
    shell.modifiers = false;

    shell.typed = [];
    shell.focused = overlay;
    service.focusChanged();
    const started = Date.now();
    check('keys are refused when the focus does not leave Quorvel\'s window',
        await ask(client, 'SendKeys', keys(CtrlS)) === 'org.freedesktop.DBus.Error.Failed' &&
        Date.now() - started >= 1900 && shell.typed.length === 0);
}

async function clientGone(service, client) {
    shell.focused = editor;
    busCall(client, 'ReleaseName', new GLib.Variant('(s)', [CLIENT_NAME]));
    await until(() => service._client === null);
    check('once Quorvel\'s name is released its old connection is refused',
        await ask(client, 'GetFocus') === 'org.freedesktop.DBus.Error.AccessDenied');
}

// The Shell as ShellSide sees it: Clutter's values of the masks and states, a seat whose virtual
// keyboard records its keys, windows, the application each belongs to, and the display's focus.
const clutterValues = {
    ModifierType: {SHIFT_MASK: 1, LOCK_MASK: 2, CONTROL_MASK: 4, MOD1_MASK: 8, MOD2_MASK: 16,
        MOD4_MASK: 64, SUPER_MASK: 1 << 26},
    KeyState: {RELEASED: 0, PRESSED: 1},
    InputDeviceType: {KEYBOARD_DEVICE: 1},
};

class FakeDisplay {
    constructor() {
        this.focus_window = null;
        this.handlers = new Map();
        this._next = 1;
    }

    connect(signal, callback) {
        this.handlers.set(this._next, {signal, callback});
        return this._next++;
    }

    disconnect(id) {
        this.handlers.delete(id);
    }

    emit(signal) {
        for (const handler of [...this.handlers.values()].filter(h => h.signal === signal))
            handler.callback();
    }
}

function fakeShell({withContext}) {
    const keyboard = {keys: [], disposed: false,
        notify_key(time, code, state) {
            this.keys.push({time, code, state});
        },
        run_dispose() {
            this.disposed = true;
        }};
    const seat = {created: [], create_virtual_device(type) {
        this.created.push(type);
        return keyboard;
    }};
    const backend = {get_default_seat: () => seat};
    const Clutter = {...clutterValues};
    // Shell 51 has no Clutter.get_default_backend(); earlier Shells have no stage context.
    if (!withContext)
        Clutter.get_default_backend = () => backend;
    const apps = new Map();
    const Shell = {WindowTracker: {get_default: () => ({get_window_app: w => apps.get(w) ?? null})}};
    const pointer = {modifiers: 0};
    const shellGlobal = {
        stage: withContext ? {context: {get_backend: () => backend}} : {},
        display: new FakeDisplay(),
        get_pointer: () => [0, 0, pointer.modifiers],
    };
    return {gi: {Clutter, GLib, Shell}, shellGlobal, keyboard, seat, apps, pointer};
}

function window(id, pid, wmClass) {
    return {get_id: () => id, get_pid: () => pid, get_wm_class: () => wmClass,
        get_title: () => 'secret.txt - Text Editor'};
}

function app(id, windowBacked) {
    return {get_id: () => id, is_window_backed: () => windowBacked};
}

function shellSide() {
    for (const withContext of [true, false]) {
        const fake = fakeShell({withContext});
        new ShellSide(fake.gi, fake.shellGlobal);
        check(`a virtual keyboard from the seat (stage context: ${withContext})`,
            JSON.stringify(fake.seat.created) === '[1]');
    }

    const fake = fakeShell({withContext: true});
    const side = new ShellSide(fake.gi, fake.shellGlobal);
    check('no focused window: none told', side.focus() === null);
    const editor = window(12, 4242, 'org.gnome.TextEditor');
    fake.apps.set(editor, app('org.gnome.TextEditor.desktop', false));
    fake.shellGlobal.display.focus_window = editor;
    check('a window: its id, process, desktop entry and class, never its title',
        JSON.stringify(side.focus()) === JSON.stringify({window: 12, pid: 4242,
            appId: 'org.gnome.TextEditor.desktop', wmClass: 'org.gnome.TextEditor'}));
    const xterm = window(13, -1, null);
    fake.apps.set(xterm, app('window:13', true));
    fake.shellGlobal.display.focus_window = xterm;
    check('a window the Shell knows no entry for: no desktop entry, no process below zero',
        JSON.stringify(side.focus()) ===
        JSON.stringify({window: 13, pid: 0, appId: '', wmClass: ''}));
    fake.shellGlobal.display.focus_window = window(14, 99, 'foot');
    check('a window of no application: no desktop entry', side.focus().appId === '');

    const held = {};
    for (const [name, mask] of [['Ctrl', 4], ['Shift', 1], ['Alt', 8], ['Super', 64],
        ['Super as Clutter names it', 1 << 26], ['Caps Lock and Num Lock', 2 | 16]]) {
        fake.pointer.modifiers = mask;
        held[name] = side.modifiersHeld();
    }
    check('Shift, Ctrl, Alt and Super count as held modifiers, the locks do not',
        JSON.stringify(held) === JSON.stringify({'Ctrl': true, 'Shift': true, 'Alt': true,
            'Super': true, 'Super as Clutter names it': true, 'Caps Lock and Num Lock': false}));

    side.notifyKey(30, true);
    side.notifyKey(30, false);
    check('keys go to the virtual keyboard as pressed and released, with a time',
        fake.keyboard.keys.map(k => `${k.code}:${k.state}`).join(' ') === '30:1 30:0' &&
        fake.keyboard.keys.every(k => k.time > 0));

    let changes = 0;
    side.watchFocus(() => changes++);
    fake.shellGlobal.display.emit('notify::focus-window');
    check('a focus change is told', changes === 1);
    side.destroy();
    fake.shellGlobal.display.emit('notify::focus-window');
    check('destroyed: no focus change is told and the keyboard is disposed of',
        changes === 1 && fake.shellGlobal.display.handlers.size === 0 && fake.keyboard.disposed);
}

function nameOwned(connection, name) {
    return busCall(connection, 'NameHasOwner', new GLib.Variant('(s)', [name])).deepUnpack()[0];
}

// The Shell 45 form's extension.js as the Shell runs it: made with its metadata, enabled and
// disabled, with the fake Shell as `global`.
async function moduleExtension(client) {
    const fake = fakeShell({withContext: true});
    globalThis.global = fake.shellGlobal;
    const extension = new QuorvelExtension({uuid: 'quorvel@quorvel.org'});
    check('the extension keeps the metadata the Shell gives it',
        extension.metadata.uuid === 'quorvel@quorvel.org');
    check('nothing on the bus before enable()', !nameOwned(client, SERVICE_NAME));

    extension.enable();
    check('enabled: the service is on the bus', await until(() => nameOwned(client, SERVICE_NAME)));
    busCall(client, 'RequestName', new GLib.Variant('(su)', [CLIENT_NAME, 4]));
    let signals = 0;
    client.signal_subscribe(null, INTERFACE_NAME, 'FocusChanged', OBJECT_PATH, null,
        Gio.DBusSignalFlags.NONE, () => signals++);
    await until(() => extension._service._client !== null);
    check('enabled: Quorvel is answered', JSON.stringify(await ask(client, 'GetFocus')) ===
        JSON.stringify([0, 0, '', '']));
    fake.shellGlobal.display.emit('notify::focus-window');
    check('enabled: the Shell\'s focus changes reach Quorvel', await until(() => signals === 1));

    extension.disable();
    check('disabled: the service has left the bus, the keyboard is disposed of and the focus ' +
        'is no longer watched', await until(() => !nameOwned(client, SERVICE_NAME)) &&
        fake.keyboard.disposed && fake.shellGlobal.display.handlers.size === 0);
}

async function main() {
    await loadExtension();
    const service = new Service(Gio.DBus.session, shell);
    const client = connect();
    const stranger = connect();
    await until(() => nameOwned(client, SERVICE_NAME));
    await accessAndFocus(service, client, stranger);
    await typing(service, client);
    await clientGone(service, client);
    service.destroy();
    shellSide();
    if (form === 'module')
        await moduleExtension(client);
}

const loop = new GLib.MainLoop(null, false);
main().catch(e => {
    logError(e);
    failed++;
}).finally(() => loop.quit());
loop.run();
print(`${passed} passed, ${failed} failed`);
System.exit(failed === 0 ? 0 : 1);
