// The D-Bus service of Quorvel's GNOME Shell extension on a private session bus, the Shell played
// by a fake focus and keyboard: who is answered, what the focus tells, and when and which keys are
// typed. Usage: dbus-run-session -- gjs gnome-extension-test.js EXTENSION_DIR
'use strict';

const { Gio, GLib } = imports.gi;
const System = imports.system;

imports.searchPath.unshift(ARGV[0]);
const { Service, CLIENT_NAME, SERVICE_NAME, OBJECT_PATH, INTERFACE_NAME } = imports.service;

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

async function main() {
    const service = new Service(Gio.DBus.session, shell);
    const client = connect();
    const stranger = connect();
    await until(() => busCall(client, 'NameHasOwner', new GLib.Variant('(s)', [SERVICE_NAME]))
        .deepUnpack()[0]);
    await accessAndFocus(service, client, stranger);
    await typing(service, client);
    await clientGone(service, client);
    service.destroy();
}

const loop = new GLib.MainLoop(null, false);
main().catch(e => {
    logError(e);
    failed++;
}).finally(() => loop.quit());
loop.run();
print(`${passed} passed, ${failed} failed`);
System.exit(failed === 0 ? 0 : 1);
