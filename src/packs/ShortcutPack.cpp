#include "packs/ShortcutPack.h"

#include "packs/JsonLocation.h"
#include "packs/PackIcons.h"
#include "framework/Exception.h"
#include "keys/KeyText.h"
#include "services/Translation.h"
#include "util/Paths.h"
#include "util/Text.h"
#include "util/Utf8.h"

#include <optional>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <set>

namespace {

// The first problem found, where it lies in the text.
struct Problem
{
    JsonPath path;
    std::string what;
};

JsonPath Append(JsonPath path, JsonStep step)
{
    path.push_back(std::move(step));
    return path;
}

bool EndsWithNoCase(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() &&
           QString::fromStdString(text.substr(text.size() - end.size()))
                   .compare(QString::fromStdString(end), Qt::CaseInsensitive) == 0;
}

// An icon named as a file of the pack's folder rather than by the icon theme.
bool IsPictureFile(const std::string& icon)
{
    return icon.find('/') != std::string::npos || EndsWithNoCase(icon, ".png") ||
           EndsWithNoCase(icon, ".svg") || EndsWithNoCase(icon, ".svgz");
}

bool LeavesFolder(const std::string& relative)
{
    if (relative.empty() || relative.front() == '/') {
        return true;
    }
    const auto parts = SplitText(relative, '/');
    return std::find(parts.begin(), parts.end(), "..") != parts.end();
}

// Whether file, with every link resolved, lies inside folder: a link out of the pack's folder,
// of the picture or of a folder on its way, does not.
bool StaysInFolder(const std::string& file, const std::string& folder)
{
    const QString real = QFileInfo(QString::fromStdString(file)).canonicalFilePath();
    const QString base = QFileInfo(QString::fromStdString(folder)).canonicalFilePath();
    // A name that leads nowhere is told as a missing file.
    return real.isEmpty() || (!base.isEmpty() && real.startsWith(base + '/'));
}

class PackParser
{
public:
    PackParser(std::string folder, IconReading icons, PackIncludes includes)
        : folder_(std::move(folder)), icons_(icons), includes_(includes == PackIncludes::Read)
    {
    }

    PackFile Parse(const QJsonDocument& document)
    {
        const JsonPath root;
        if (!document.isObject()) {
            Fail(root, Translate("нужен объект { … }"));
        }
        const QJsonObject top = document.object();
        CheckFormat(top, root, true);
        if (!top.contains("programs")) {
            file_.packs.push_back(ParsePack(top, root, {}));
            return std::move(file_);
        }
        CheckMembers(top, root, {"format", "programs"});
        const JsonPath programs{std::string("programs")};
        const QJsonValue list = top.value("programs");
        if (!list.isArray()) {
            Fail(programs, Translate("нужен список"));
        }
        const QJsonArray array = list.toArray();
        for (qsizetype i = 0; i < array.size(); ++i) {
            const JsonPath path = Append(programs, static_cast<int>(i));
            const QJsonObject pack = Object(array.at(i), path);
            CheckFormat(pack, path, false);
            file_.packs.push_back(ParsePack(pack, path, {"format"}));
        }
        return std::move(file_);
    }

private:
    [[noreturn]] static void Fail(const JsonPath& path, const std::string& what)
    {
        throw Problem{path, what};
    }

    static QJsonObject Object(const QJsonValue& value, const JsonPath& path)
    {
        if (!value.isObject()) {
            Fail(path, Translate("нужен объект { … }"));
        }
        return value.toObject();
    }

    static void CheckFormat(const QJsonObject& object, const JsonPath& path, bool required)
    {
        const JsonPath format = Append(path, std::string("format"));
        if (!object.contains("format")) {
            if (required) {
                Fail(path, Translate("нет поля «format»"));
            }
            return;
        }
        if (object.value("format") != QJsonValue(1)) {
            Fail(format, Translate("эта версия программы читает только формат 1"));
        }
    }

    static void CheckMembers(const QJsonObject& object, const JsonPath& path,
                             const std::set<std::string>& known)
    {
        for (const QString& key : object.keys()) {
            if (!known.count(key.toStdString())) {
                Fail(Append(path, key.toStdString()), FormatText(Translate("неизвестное поле «%s»"),
                                                                 QuoteUserText(key.toStdString())));
            }
        }
    }

    // The member's value; nullopt when an optional one is absent (a required one is a problem).
    static std::optional<QJsonValue> Member(const QJsonObject& object, const JsonPath& path,
                                            const char* key, bool required)
    {
        if (!object.contains(key)) {
            if (required) {
                Fail(path, FormatText(Translate("нет поля «%s»"), key));
            }
            return std::nullopt;
        }
        return object.value(key);
    }

    // A text member; empty when an optional one is absent.
    static std::string Text(const QJsonObject& object, const JsonPath& path, const char* key,
                            bool required, std::size_t maxCharacters)
    {
        const JsonPath member = Append(path, std::string(key));
        const std::optional<QJsonValue> found = Member(object, path, key, required);
        if (!found) {
            return {};
        }
        const QJsonValue& value = *found;
        if (!value.isString()) {
            Fail(member, Translate("нужен текст в кавычках"));
        }
        const std::string text = value.toString().toStdString();
        if (text.empty()) {
            Fail(member, Translate("текст пуст"));
        }
        if (CountUtf8Characters(text) > maxCharacters) {
            Fail(member,
                 FormatText(Translate("текст длиннее %s символов"), std::to_string(maxCharacters)));
        }
        return text;
    }

    static std::vector<std::string> TextList(const QJsonObject& object, const JsonPath& path,
                                             const char* key, bool required)
    {
        const JsonPath member = Append(path, std::string(key));
        const std::optional<QJsonValue> found = Member(object, path, key, required);
        if (!found) {
            return {};
        }
        const QJsonValue& value = *found;
        if (!value.isArray()) {
            Fail(member, Translate("нужен список текстов"));
        }
        const QJsonArray array = value.toArray();
        if (required && array.isEmpty()) {
            Fail(member, Translate("список пуст"));
        }
        std::vector<std::string> texts;
        for (qsizetype i = 0; i < array.size(); ++i) {
            const JsonPath element = Append(member, static_cast<int>(i));
            if (!array.at(i).isString() || array.at(i).toString().isEmpty()) {
                Fail(element, Translate("нужен непустой текст в кавычках"));
            }
            texts.push_back(array.at(i).toString().toStdString());
            if (CountUtf8Characters(texts.back()) > FileNameLength) {
                Fail(element, FormatText(Translate("текст длиннее %s символов"),
                                         std::to_string(FileNameLength)));
            }
        }
        return texts;
    }

    ShortcutPack ParsePack(const QJsonObject& object, const JsonPath& path,
                           std::set<std::string> known)
    {
        ShortcutPack pack;
        pack.desktop = object.contains("desktop") || object.contains("windowManager");
        known.insert({"source", "shortcuts", "format"});
        if (pack.desktop) {
            known.insert({"desktop", "windowManager", "name"});
            pack.name = Text(object, path, "name", false, ShortNameLength);
            pack.desktops = TextList(object, path, "desktop", false);
            pack.windowManagers = TextList(object, path, "windowManager", false);
        } else {
            known.insert({"name", "executables", "desktopId", "windowClasses", "appIds"});
            // Exports of programs the user left unnamed have none.
            pack.name = Text(object, path, "name", false, ShortNameLength);
            pack.executables = TextList(object, path, "executables", true);
            pack.desktopId = Text(object, path, "desktopId", false, FileNameLength);
            pack.windowClasses = TextList(object, path, "windowClasses", false);
            pack.appIds = TextList(object, path, "appIds", false);
            CheckIdentityLength(pack, path);
            if (includes_) {
                known.insert("include");
            }
        }
        CheckMembers(object, path, known);
        pack.source = Text(object, path, "source", false, 4096);

        const JsonPath shortcuts = Append(path, std::string("shortcuts"));
        if (!object.contains("shortcuts")) {
            Fail(path, Translate("нет поля «shortcuts»"));
        }
        if (!object.value("shortcuts").isArray()) {
            Fail(shortcuts, Translate("нужен список"));
        }
        const QJsonArray list = object.value("shortcuts").toArray();
        for (qsizetype i = 0; i < list.size(); ++i) {
            pack.shortcuts.push_back(ParseShortcut(list.at(i), Append(shortcuts, int(i))));
        }
        if (object.contains("include")) {
            std::vector<PackShortcut> shared =
                Included(Text(object, path, "include", true, FileNameLength),
                         Append(path, std::string("include")));
            // The pack's own shortcut replaces the shared one with the same keys and scope.
            std::erase_if(shared, [&pack](const PackShortcut& common) {
                return std::any_of(pack.shortcuts.begin(), pack.shortcuts.end(),
                                   [&common](const PackShortcut& own) {
                                       return own.active == common.active &&
                                              own.keys.size() == common.keys.size() &&
                                              own.keys.Contains(common.keys);
                                   });
            });
            pack.shortcuts.insert(pack.shortcuts.begin(), shared.begin(), shared.end());
        }
        return pack;
    }

    // Classes and application ids are stored in one field of the base, separated by ';'.
    static void CheckIdentityLength(const ShortcutPack& pack, const JsonPath& path)
    {
        std::size_t length = 0;
        for (const auto& [field, list] :
             {std::pair("windowClasses", &pack.windowClasses), std::pair("appIds", &pack.appIds)}) {
            for (const std::string& name : *list) {
                if (name.find_first_of(";,") != std::string::npos) {
                    Fail(Append(path, std::string(field)),
                         FormatText(Translate("в «%s» не может быть «;» и «,»"), name));
                }
                length += CountUtf8Characters(name) + 2;
            }
        }
        if (length > FileNameLength) {
            Fail(path, FormatText(Translate("классы окон и идентификаторы приложения вместе "
                                            "длиннее %s символов"),
                                  std::to_string(FileNameLength)));
        }
    }

    // The shortcuts of the shared part a pack names: a program's pack in the same folder, which
    // names none itself.
    std::vector<PackShortcut> Included(const std::string& name, const JsonPath& path)
    {
        if (name.find('/') != std::string::npos || !EndsWithNoCase(name, ".json")) {
            Fail(path, Translate("нужно имя файла .json из папки набора"));
        }
        PackFile shared;
        try {
            shared = ReadPackFile(JoinPath(folder_, name), icons_, PackIncludes::Refuse);
        } catch (const Exception& error) {
            Fail(path, error.what());
        }
        if (shared.packs.size() != 1 || shared.packs.front().desktop) {
            Fail(path, Translate("общая часть должна быть набором одной программы"));
        }
        file_.notes.insert(file_.notes.end(), shared.notes.begin(), shared.notes.end());
        return std::move(shared.packs.front().shortcuts);
    }

    PackShortcut ParseShortcut(const QJsonValue& value, const JsonPath& path)
    {
        const QJsonObject object = Object(value, path);
        CheckMembers(object, path, {"keys", "name", "description", "scope", "icon", "iconData"});
        PackShortcut shortcut;
        const std::string keys = Text(object, path, "keys", true, 200);
        try {
            shortcut.keys = ParseKeyText(keys);
        } catch (const Exception& error) {
            Fail(Append(path, std::string("keys")), error.what());
        }
        shortcut.name = Text(object, path, "name", true, ShortNameLength);
        shortcut.description = Text(object, path, "description", true, DescriptionLength);
        const std::string scope = Text(object, path, "scope", true, 10);
        if (scope != "active" && scope != "global") {
            Fail(Append(path, std::string("scope")), Translate("нужно «active» или «global»"));
        }
        shortcut.active = scope == "active";
        if (object.contains("icon") && object.contains("iconData")) {
            Fail(path, Translate("у сочетания клавиш может быть «icon» или «iconData», но не оба"));
        }
        if (icons_ == IconReading::Skip) {
            return shortcut;
        }
        if (object.contains("icon")) {
            shortcut.icon = Icon(Text(object, path, "icon", true, FileNameLength),
                                 Append(path, std::string("icon")));
        } else if (object.contains("iconData")) {
            shortcut.icon =
                EmbeddedIcon(object.value("iconData"), Append(path, std::string("iconData")));
        }
        return shortcut;
    }

    Blob Icon(const std::string& icon, const JsonPath& path)
    {
        if (IsPictureFile(icon)) {
            return PictureFromFolder(icon, path);
        }
        const QImage picture = ThemeIcon(icon);
        if (picture.isNull()) {
            file_.notes.push_back(FormatText(
                Translate("значка «%s» нет в теме значков, сочетание клавиш будет без значка"),
                QuoteUserText(icon)));
            return {};
        }
        return IconFieldBytes(picture);
    }

    Blob PictureFromFolder(const std::string& relative, const JsonPath& path) const
    {
        const std::string file = JoinPath(folder_, relative);
        if (LeavesFolder(relative) || !StaysInFolder(file, folder_)) {
            Fail(path, Translate("картинка должна лежать в папке набора"));
        }
        if (!IsRegularFile(file)) {
            Fail(path, FormatText(Translate("нет файла картинки %s"), file));
        }
        if (QFileInfo(QString::fromStdString(file)).size() > MaxPackPictureBytes) {
            Fail(path, Translate("картинка больше 1 МБ"));
        }
        const DecodedPicture picture = PictureFileIcon(file);
        if (picture.image.isNull()) {
            Fail(path, FormatText(Translate("картинка %s не принята: %s"), file, picture.problem));
        }
        return IconFieldBytes(picture.image);
    }

    static Blob EmbeddedIcon(const QJsonValue& value, const JsonPath& path)
    {
        if (!value.isString()) {
            Fail(path, Translate("нужен текст в кавычках"));
        }
        const QByteArray text = value.toString().toLatin1();
        if (text.size() > MaxPackPictureBytes / 3 * 4 + 4) {
            Fail(path, Translate("картинка больше 1 МБ"));
        }
        const auto decoded =
            QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded) {
            Fail(path, Translate("картинка должна быть записана в base64"));
        }
        const DecodedPicture picture = DecodePicture(decoded.decoded, {}, MaxPackPictureSide);
        if (picture.image.isNull()) {
            Fail(path, picture.problem);
        }
        return IconFieldBytes(picture.image);
    }

    std::string folder_;
    IconReading icons_;
    bool includes_;
    PackFile file_;
};

} // namespace

PackFile ParsePackText(const QByteArray& text, const std::string& folder, IconReading icons,
                       PackIncludes includes)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError) {
        throw Exception(FormatText(Translate("строка %s: это не JSON: %s"),
                                   std::to_string(LineAtOffset(text, error.offset)),
                                   error.errorString().toStdString()));
    }
    try {
        return PackParser(folder, icons, includes).Parse(document);
    } catch (const Problem& problem) {
        const std::string line = std::to_string(JsonLineOf(text, problem.path));
        if (problem.path.empty()) {
            throw Exception(FormatText(Translate("строка %s: %s"), line, problem.what));
        }
        throw Exception(FormatText(Translate("строка %s, поле %s: %s"), line,
                                   JsonPathText(problem.path), problem.what));
    }
}

PackFile ReadPackFile(const std::string& path, IconReading icons, PackIncludes includes)
{
    const auto refused = [&path](const std::string& problem) {
        return Exception(
            FormatText(Translate("Файл %s не принят: %s"), QuoteUserText(path), problem));
    };
    const QFileInfo info(QString::fromStdString(path));
    if (!info.exists()) {
        throw refused(Translate("такого файла нет"));
    }
    if (!IsRegularFile(path)) {
        throw refused(Translate("это не обычный файл"));
    }
    // Refused by its size alone: nothing of a file too large is read.
    const auto tooLarge = Translate("файл больше 32 МБ, наборы сочетаний клавиш так велики не "
                                    "бывают");
    if (info.size() > MaxPackFileBytes) {
        throw refused(tooLarge);
    }
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly)) {
        throw refused(file.errorString().toStdString());
    }
    // What the size promised and a byte more, not the limit: a read allocates all it may take. A
    // file grown since is read on, up to the limit.
    QByteArray text = file.read(info.size() + 1);
    if (text.size() > info.size()) {
        text += file.read(MaxPackFileBytes + 1 - text.size());
    }
    if (text.size() > MaxPackFileBytes) {
        throw refused(tooLarge);
    }
    try {
        return ParsePackText(text, info.absolutePath().toStdString(), icons, includes);
    } catch (const Exception& error) {
        throw refused(error.what());
    }
}
