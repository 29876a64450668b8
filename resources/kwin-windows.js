// Loaded into KWin by Quorvel over D-Bus: tells Quorvel which window is active, by its process,
// desktop file name and window class; never its title. KWin 5 names windows "clients", KWin 6
// "windows".
var service = "org.quorvel.Quorvel.KWin";
var path = "/org/quorvel/KWinWindows";
var iface = "org.quorvel.KWinWindows";

function report(window) {
    if (!window) {
        callDBus(service, path, iface, "Activated", "", "", "", "", "");
        return;
    }
    callDBus(service, path, iface, "Activated", String(window.internalId), String(window.pid),
             String(window.desktopFileName || ""), String(window.resourceClass || ""),
             String(window.resourceName || ""));
}

function closed(window) {
    callDBus(service, path, iface, "Closed", String(window.internalId));
}

(workspace.windowActivated || workspace.clientActivated).connect(report);
(workspace.windowRemoved || workspace.clientRemoved).connect(closed);
report(workspace.activeWindow || workspace.activeClient);
