// The D-Bus service of Quorvel's GNOME Shell extension with the Shell played from standard input,
// for the tests of Quorvel's client: "focus WINDOW PID APP_ID WM_CLASS" (an empty APP_ID written
// "-") or "nofocus" sets the focused window and tells the service, answered "ok"; each key the
// service types is printed as "key CODE down" or "key CODE up". Prints "ready" once the service's
// name is on the bus.
// Usage: gjs gnome-shell-stub.js EXTENSION_DIR
'use strict';

const { Gio, GLib } = imports.gi;

imports.searchPath.unshift(ARGV[0]);
const { Service, SERVICE_NAME } = imports.service;

const shell = {
    focused: null,
    focus() {
        return this.focused;
    },
    modifiersHeld() {
        return false;
    },
    notifyKey(code, down) {
        print(`key ${code} ${down ? 'down' : 'up'}`);
    },
};
const service = new Service(Gio.DBus.session, shell);
const loop = new GLib.MainLoop(null, false);
const input = new Gio.DataInputStream({
    base_stream: new Gio.UnixInputStream({fd: 0, close_fd: false}),
});

function onLine(stream, result) {
    const [line] = stream.read_line_finish_utf8(result);
    if (line === null) {
        loop.quit();
        return;
    }
    const words = line.split(' ');
    if (words[0] === 'focus' && words.length === 5) {
        const [window, pid, appId, wmClass] = words.slice(1);
        shell.focused = {window: Number(window), pid: Number(pid),
            appId: appId === '-' ? '' : appId, wmClass};
    } else {
        shell.focused = null;
    }
    service.focusChanged();
    print('ok');
    input.read_line_async(GLib.PRIORITY_DEFAULT, null, onLine);
}

Gio.DBus.session.watch_name(SERVICE_NAME, Gio.BusNameWatcherFlags.NONE, () => print('ready'), null);
input.read_line_async(GLib.PRIORITY_DEFAULT, null, onLine);
loop.run();
service.destroy();
