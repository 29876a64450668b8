#include "live/GtkMenus.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QVariant>

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <utility>

namespace live {
namespace {

constexpr auto MenusInterface = "org.gtk.Menus";

// A menu of the export: its subscription group and its number in the group.
using MenuId = std::pair<std::uint32_t, std::uint32_t>;

// What a menu item says that a reader needs; everything else of it is left unread.
struct MenuItem
{
    std::string label;
    std::string accel;
    std::optional<MenuId> section;
    std::optional<MenuId> submenu;
};

std::optional<MenuId> ReadMenuId(const QVariant& value)
{
    if (!value.canConvert<QDBusArgument>()) {
        return std::nullopt;
    }
    const QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentType() != QDBusArgument::StructureType) {
        return std::nullopt;
    }
    MenuId id;
    argument.beginStructure();
    argument >> id.first >> id.second;
    argument.endStructure();
    return id;
}

MenuItem ReadItem(const QVariantMap& attributes)
{
    MenuItem item;
    item.label = attributes.value("label").toString().toStdString();
    item.accel = attributes.value("accel").toString().toStdString();
    item.section = ReadMenuId(attributes.value(":section"));
    item.submenu = ReadMenuId(attributes.value(":submenu"));
    return item;
}

// The menus of the groups asked for, from the answer a(uuaa{sv}) of Start.
void ReadMenus(const QDBusArgument& answer, std::map<MenuId, std::vector<MenuItem>>& menus,
               ReadBudget& budget)
{
    answer.beginArray();
    while (!answer.atEnd()) {
        MenuId id;
        answer.beginStructure();
        answer >> id.first >> id.second;
        std::vector<MenuItem>& items = menus[id];
        answer.beginArray();
        while (!answer.atEnd()) {
            QVariantMap attributes;
            answer >> attributes;
            if (budget.Take()) {
                items.push_back(ReadItem(attributes));
            }
        }
        answer.endArray();
        answer.endStructure();
    }
    answer.endArray();
}

class MenuReader
{
public:
    MenuReader(const QDBusConnection& bus, const std::string& busName,
               const std::string& objectPath, ReadBudget& budget)
        : bus_(bus), service_(QString::fromStdString(busName)),
          path_(QString::fromStdString(objectPath)), budget_(budget)
    {
    }
    ~MenuReader() { EndSubscriptions(); }
    MenuReader(const MenuReader&) = delete;
    MenuReader& operator=(const MenuReader&) = delete;

    std::vector<LiveShortcut> Read()
    {
        std::vector<std::string> path;
        Walk({0, 0}, path, 0);
        return std::move(found_);
    }

private:
    // Sections and submenus nest this deep at most: a loop in a broken export ends here.
    static constexpr int MaxDepth = 16;

    const std::vector<MenuItem>* Menu(const MenuId& id)
    {
        if (!started_.contains(id.first) && !budget_.Spent()) {
            Start(id.first);
        }
        const auto found = menus_.find(id);
        return found == menus_.end() ? nullptr : &found->second;
    }

    void Start(std::uint32_t group)
    {
        started_.insert(group);
        QDBusMessage call =
            QDBusMessage::createMethodCall(service_, path_, MenusInterface, "Start");
        call << QVariant::fromValue(QList<uint>{group});
        const QDBusMessage answer = CallWithin(bus_, call, budget_);
        if (answer.type() != QDBusMessage::ReplyMessage || answer.arguments().size() != 1 ||
            !answer.arguments().front().canConvert<QDBusArgument>() ||
            answer.signature() != "a(uuaa{sv})") {
            return;
        }
        ReadMenus(answer.arguments().front().value<QDBusArgument>(), menus_, budget_);
    }

    void Walk(const MenuId& id, std::vector<std::string>& path, int depth)
    {
        const std::vector<MenuItem>* items = depth < MaxDepth ? Menu(id) : nullptr;
        for (std::size_t i = 0; items && i < items->size(); ++i) {
            const MenuItem& item = (*items)[i];
            const std::string label = DropMnemonic(item.label, '_');
            if (!item.accel.empty() && !label.empty()) {
                path.push_back(label);
                found_.push_back({item.accel, AccelSyntax::Gtk, path, LiveSource::Menu});
                path.pop_back();
            }
            if (item.section) {
                Walk(*item.section, path, depth + 1);
            }
            if (item.submenu) {
                path.push_back(label);
                Walk(*item.submenu, path, depth + 1);
                path.pop_back();
            }
        }
    }

    void EndSubscriptions()
    {
        if (started_.empty()) {
            return;
        }
        QDBusMessage call = QDBusMessage::createMethodCall(service_, path_, MenusInterface, "End");
        call << QVariant::fromValue(QList<uint>(started_.begin(), started_.end()));
        call.setAutoStartService(false);
        bus_.send(call);
    }

    QDBusConnection bus_;
    QString service_, path_;
    ReadBudget& budget_;
    std::map<MenuId, std::vector<MenuItem>> menus_;
    std::set<std::uint32_t> started_;
    std::vector<LiveShortcut> found_;
};

} // namespace

std::vector<LiveShortcut> ReadGtkMenus(const QDBusConnection& bus, const std::string& busName,
                                       const std::string& objectPath, ReadBudget& budget)
{
    if (busName.empty() || objectPath.empty() || !bus.isConnected()) {
        return {};
    }
    return MenuReader(bus, busName, objectPath, budget).Read();
}

} // namespace live
