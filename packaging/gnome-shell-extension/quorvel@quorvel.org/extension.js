/* exported init */
// Quorvel's GNOME Shell extension for GNOME Shell 43 and 44 (legacy imports): the focused window
// for Quorvel and a virtual keyboard that carries out the shortcuts it asks for. The Shell's side
// is in shell.js, the D-Bus side in service.js; shell-45/extension.js is the same for Shell 45 on.
'use strict';

const { Clutter, GLib, Gio, Shell } = imports.gi;
const Me = imports.misc.extensionUtils.getCurrentExtension();
const { Service } = Me.imports.service;
const { ShellSide } = Me.imports.shell;

class Extension {
    enable() {
        this._shell = new ShellSide({Clutter, GLib, Shell}, global);
        this._service = new Service(Gio.DBus.session, this._shell);
        this._shell.watchFocus(() => this._service.focusChanged());
    }

    disable() {
        this._service.destroy();
        this._service = null;
        this._shell.destroy();
        this._shell = null;
    }
}

function init() {
    return new Extension();
}
