#include "platform/wayland/SwayProtocol.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstring>

namespace platform::wayland {

namespace {

constexpr char Magic[] = "i3-ipc";
constexpr int MagicSize = 6;
constexpr int HeaderSize = MagicSize + 8;

std::string StringOf(const QJsonValue& value)
{
    return value.toString().toStdString();
}

std::optional<Toplevel> WindowOf(const QJsonObject& node)
{
    // Containers of other containers (splits, workspaces) have no program behind them.
    if (!node.contains(QStringLiteral("pid")) ||
        node.value(QStringLiteral("pid")).toInteger() <= 0) {
        return std::nullopt;
    }
    Toplevel window;
    window.id = node.value(QStringLiteral("id")).toInteger();
    window.pid = static_cast<std::uint32_t>(node.value(QStringLiteral("pid")).toInteger());
    window.appId = StringOf(node.value(QStringLiteral("app_id")));
    const QJsonObject x11 = node.value(QStringLiteral("window_properties")).toObject();
    window.instance = StringOf(x11.value(QStringLiteral("instance")));
    window.windowClass = StringOf(x11.value(QStringLiteral("class")));
    window.focused = node.value(QStringLiteral("focused")).toBool();
    return window;
}

void CollectWindows(const QJsonObject& node, std::vector<Toplevel>& windows, int depth)
{
    // sway's tree is a handful of levels deep; a deeper one is no tree of sway's.
    constexpr int MaxDepth = 64;
    if (depth > MaxDepth) {
        return;
    }
    if (auto window = WindowOf(node)) {
        windows.push_back(std::move(*window));
    }
    for (const auto* key : {"nodes", "floating_nodes"}) {
        for (const QJsonValue child : node.value(QLatin1String(key)).toArray()) {
            CollectWindows(child.toObject(), windows, depth + 1);
        }
    }
}

} // namespace

QByteArray EncodeSwayMessage(std::uint32_t type, const QByteArray& payload)
{
    QByteArray message(Magic, MagicSize);
    const auto length = static_cast<std::uint32_t>(payload.size());
    message.append(reinterpret_cast<const char*>(&length), sizeof length);
    message.append(reinterpret_cast<const char*>(&type), sizeof type);
    message.append(payload);
    return message;
}

void SwayMessageReader::Append(const QByteArray& bytes)
{
    if (!failed_) {
        buffer_.append(bytes);
    }
}

std::optional<SwayMessage> SwayMessageReader::Next()
{
    if (failed_ || buffer_.size() < HeaderSize) {
        return std::nullopt;
    }
    if (std::memcmp(buffer_.constData(), Magic, MagicSize) != 0) {
        failed_ = true;
        buffer_.clear();
        return std::nullopt;
    }
    std::uint32_t length = 0;
    std::uint32_t type = 0;
    std::memcpy(&length, buffer_.constData() + MagicSize, sizeof length);
    std::memcpy(&type, buffer_.constData() + MagicSize + 4, sizeof type);
    if (length > MaxPayload) {
        failed_ = true;
        buffer_.clear();
        return std::nullopt;
    }
    if (buffer_.size() - HeaderSize < static_cast<qsizetype>(length)) {
        return std::nullopt;
    }
    SwayMessage message{type, buffer_.mid(HeaderSize, length)};
    buffer_.remove(0, HeaderSize + length);
    return message;
}

std::vector<Toplevel> ParseSwayTree(const QByteArray& json)
{
    std::vector<Toplevel> windows;
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (document.isObject()) {
        CollectWindows(document.object(), windows, 0);
    }
    return windows;
}

std::optional<ToplevelChange> ParseSwayWindowEvent(const QByteArray& json)
{
    const QJsonObject event = QJsonDocument::fromJson(json).object();
    const QString change = event.value(QStringLiteral("change")).toString();
    if (change.isEmpty()) {
        return std::nullopt;
    }
    auto window = WindowOf(event.value(QStringLiteral("container")).toObject());
    if (!window) {
        return std::nullopt;
    }
    return ToplevelChange{change.toStdString(), std::move(*window)};
}

bool SwayCommandsSucceeded(const QByteArray& json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isArray() || document.array().isEmpty()) {
        return false;
    }
    for (const QJsonValue result : document.array()) {
        if (!result.toObject().value(QStringLiteral("success")).toBool()) {
            return false;
        }
    }
    return true;
}

std::string SwayKeyCombination(std::uint32_t modifiers, const std::string& keySymName)
{
    if (keySymName.empty()) {
        return {};
    }
    std::string keys;
    const std::pair<std::uint32_t, const char*> names[] = {
        {ModWin, "Mod4+"}, {ModControl, "Ctrl+"}, {ModAlt, "Mod1+"}, {ModShift, "Shift+"}};
    for (const auto& [bit, name] : names) {
        if (modifiers & bit) {
            keys += name;
        }
    }
    return keys + keySymName;
}

std::string SwayExecCommand(const std::vector<std::string>& arguments)
{
    // A binding's command is one argument of bindsym: in double quotes, which sway takes off with
    // the escapes of backslashes and double quotes. sway hands what follows "exec" to sh -c as it
    // is: each argument goes in single quotes, an embedded one closed and escaped.
    std::string line = "exec";
    for (const std::string& argument : arguments) {
        line += " '";
        for (const char c : argument) {
            line += c == '\'' ? std::string("'\\''") : std::string(1, c);
        }
        line += '\'';
    }
    std::string quoted = "\"";
    for (const char c : line) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + '"';
}

} // namespace platform::wayland
