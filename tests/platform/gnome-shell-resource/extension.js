// Stands in for GNOME Shell's extensions/extension.js in the tests: an extension's base class.
export class Extension {
    constructor(metadata) {
        this.metadata = metadata;
    }
}
