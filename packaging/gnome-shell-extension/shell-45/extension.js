// Quorvel's GNOME Shell extension for GNOME Shell 45 and later (ES modules): the focused window
// for Quorvel and a virtual keyboard that carries out the shortcuts it asks for. shell.js and
// service.js are made at build time from the Shell 43 version's (ToModule.cmake).
import Clutter from 'gi://Clutter';
import GLib from 'gi://GLib';
import Gio from 'gi://Gio';
import Shell from 'gi://Shell';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';

import {Service} from './service.js';
import {ShellSide} from './shell.js';

export default class QuorvelExtension extends Extension {
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
