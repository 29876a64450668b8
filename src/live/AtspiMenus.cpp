#include "live/AtspiMenus.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

#include <algorithm>
#include <cctype>
#include <utility>

namespace live {
namespace {

constexpr auto AccessibleInterface = "org.a11y.atspi.Accessible";
constexpr auto ActionInterface = "org.a11y.atspi.Action";
constexpr auto RootPath = "/org/a11y/atspi/accessible/root";

// Roles of AtspiRole (at-spi2-core atspi/atspi-constants.h, 2.46).
enum Role : unsigned
{
    CheckMenuItem = 8,
    Dialog = 16,
    Filler = 20,
    Frame = 23,
    InternalFrame = 28,
    LayeredPane = 30,
    Menu = 33,
    MenuBar = 34,
    MenuItem = 35,
    Panel = 39,
    PopupMenu = 41,
    RadioMenuItem = 45,
    RootPane = 46,
    SplitPane = 53,
    ToolBar = 63,
    Window = 69,
    Application = 75,
};

bool IsItem(unsigned role)
{
    return role == MenuItem || role == CheckMenuItem || role == RadioMenuItem;
}

// The roles walked through on the way to the menus.
bool MayHoldMenus(unsigned role)
{
    switch (role) {
    case Application:
    case Frame:
    case Window:
    case Dialog:
    case Filler:
    case Panel:
    case RootPane:
    case LayeredPane:
    case InternalFrame:
    case SplitPane:
    case ToolBar:
    case MenuBar:
    case Menu:
        return true;
    default:
        return false;
    }
}

// Whether a Qt key binding is a menu's access key rather than a shortcut: Qt reports the mnemonic
// of an item without a shortcut ("Alt+F" for "&File"); its name comes without the marker, so a
// binding of Alt and a letter of the name counts as one.
bool IsQtMnemonic(const std::string& binding, const std::string& name)
{
    if (binding.size() != 5 || binding.compare(0, 4, "Alt+") != 0) {
        return false;
    }
    const auto letter = static_cast<unsigned char>(binding[4]);
    return std::any_of(name.begin(), name.end(), [letter](char c) {
        return std::tolower(static_cast<unsigned char>(c)) == std::tolower(letter);
    });
}

// An accessible object: its connection's name and its object path.
using Node = std::pair<QString, QString>;

class AccessibleReader
{
public:
    // Menus nest this deep at most below the application: a loop in a broken tree ends here.
    static constexpr int MaxDepth = 32;

    AccessibleReader(const QDBusConnection& bus, ReadBudget& budget) : bus_(bus), budget_(budget) {}

    QDBusMessage Call(const Node& node, const char* interface, const char* method,
                      const QVariantList& arguments = {})
    {
        QDBusMessage call =
            QDBusMessage::createMethodCall(node.first, node.second, interface, method);
        call.setArguments(arguments);
        call.setAutoStartService(false);
        const QDBusMessage answer = CallWithin(bus_, call, budget_);
        return answer.type() == QDBusMessage::ReplyMessage ? answer : QDBusMessage();
    }

    std::vector<Node> Children(const Node& node)
    {
        const QDBusMessage answer = Call(node, AccessibleInterface, "GetChildren");
        std::vector<Node> children;
        if (answer.signature() != "a(so)") {
            return children;
        }
        const QDBusArgument array = answer.arguments().front().value<QDBusArgument>();
        array.beginArray();
        while (!array.atEnd()) {
            QString name;
            QDBusObjectPath path;
            array.beginStructure();
            array >> name >> path;
            array.endStructure();
            children.emplace_back(name, path.path());
        }
        array.endArray();
        return children;
    }

    unsigned RoleOf(const Node& node)
    {
        const QDBusMessage answer = Call(node, AccessibleInterface, "GetRole");
        return answer.arguments().size() == 1 ? answer.arguments().front().toUInt() : 0;
    }

    // The accessible name without the blanks some programs pad it with.
    std::string NameOf(const Node& node)
    {
        const QDBusMessage answer = Call(node, "org.freedesktop.DBus.Properties", "Get",
                                         {QString(AccessibleInterface), QString("Name")});
        if (answer.arguments().size() != 1) {
            return {};
        }
        return answer.arguments()
            .front()
            .value<QDBusVariant>()
            .variant()
            .toString()
            .trimmed()
            .toStdString();
    }

    std::string KeyBindingOf(const Node& node)
    {
        const QDBusMessage answer = Call(node, ActionInterface, "GetKeyBinding", {0});
        return answer.arguments().size() == 1 ? answer.arguments().front().toString().toStdString()
                                              : std::string();
    }

    void Walk(const Node& node, std::vector<std::string>& path, int depth)
    {
        if (depth > MaxDepth || !budget_.Take()) {
            return;
        }
        const unsigned role = RoleOf(node);
        if (IsItem(role)) {
            Item(node, path, depth);
        } else if (role == Menu || role == PopupMenu) {
            // GTK names a submenu by its item; Qt's submenu is a popup menu without a name, or
            // one that repeats its item's.
            const std::string name = NameOf(node);
            const bool named = !name.empty() && (path.empty() || path.back() != name);
            if (named) {
                path.push_back(name);
            }
            WalkChildren(node, path, depth);
            if (named) {
                path.pop_back();
            }
        } else if (MayHoldMenus(role)) {
            WalkChildren(node, path, depth);
        }
    }

    void WalkChildren(const Node& node, std::vector<std::string>& path, int depth)
    {
        for (const Node& child : Children(node)) {
            Walk(child, path, depth + 1);
        }
    }

    // Keeps the item when it has a shortcut. GTK writes "mnemonic;full mnemonic:shortcut" and
    // holds a submenu as a menu of its own; Qt writes the shortcut alone and holds a submenu as the
    // item's child. The name is asked for only where it is needed: most items have no shortcut.
    void Item(const Node& node, std::vector<std::string>& path, int depth)
    {
        const std::string binding = KeyBindingOf(node);
        const std::size_t last = binding.rfind(';');
        const bool gtk = last != std::string::npos;
        const std::string shortcut = gtk ? binding.substr(last + 1) : binding;
        if (gtk && shortcut.empty()) {
            return;
        }
        const std::string name = NameOf(node);
        if (!shortcut.empty() && !name.empty() && (gtk || !IsQtMnemonic(shortcut, name))) {
            path.push_back(name);
            found_.push_back(
                {shortcut, gtk ? AccelSyntax::Gtk : AccelSyntax::Qt, path, LiveSource::Menu});
            path.pop_back();
        }
        if (!gtk) {
            path.push_back(name);
            WalkChildren(node, path, depth);
            path.pop_back();
        }
    }

    std::vector<LiveShortcut> TakeFound() { return std::move(found_); }

private:
    QDBusConnection bus_;
    ReadBudget& budget_;
    std::vector<LiveShortcut> found_;
};

} // namespace

QDBusConnection ConnectAccessibilityBus(const QDBusConnection& session,
                                        const QString& connectionName, ReadBudget& budget)
{
    QDBusMessage call = QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus",
                                                       "org.a11y.Bus", "GetAddress");
    call.setAutoStartService(false);
    const QDBusMessage answer = CallWithin(session, call, budget);
    if (answer.type() != QDBusMessage::ReplyMessage || answer.arguments().size() != 1) {
        return QDBusConnection(connectionName);
    }
    return QDBusConnection::connectToBus(answer.arguments().front().toString(), connectionName);
}

std::vector<LiveShortcut> ReadAccessibleMenus(const QDBusConnection& accessibilityBus,
                                              std::uint32_t processId, ReadBudget& budget)
{
    if (!accessibilityBus.isConnected() || processId == 0) {
        return {};
    }
    AccessibleReader reader(accessibilityBus, budget);
    for (const Node& application : reader.Children({"org.a11y.atspi.Registry", RootPath})) {
        const QDBusMessage pid =
            reader.Call({"org.freedesktop.DBus", "/org/freedesktop/DBus"}, "org.freedesktop.DBus",
                        "GetConnectionUnixProcessID", {application.first});
        if (pid.arguments().size() == 1 && pid.arguments().front().toUInt() == processId) {
            std::vector<std::string> path;
            reader.Walk(application, path, 0);
            break;
        }
    }
    return reader.TakeFound();
}

} // namespace live
