// Reading shortcut packs: the packs shipped with the program, bad files refused with the line
// and field of their first problem, and icons from the icon theme, the pack's folder or the file.
#include "packs/PackIcons.h"
#include "packs/ShortcutPack.h"

#include "framework/Exception.h"
#include "keys/ActionDescription.h"
#include "platform/VirtualKeys.h"

#include "FakeEnvironment.h"
#include "PictureBombs.h"

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QBuffer>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

namespace {

void Write(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// The message a file is refused with; "accepted" when it is read.
std::string Refusal(const std::string& path)
{
    try {
        ReadPackFile(path);
        return "accepted";
    } catch (const Exception& error) {
        return error.what();
    }
}

bool SameKeys(const CKeyCodes& a, const CKeyCodes& b)
{
    return a.size() == b.size() && a.Contains(b);
}

// What a pack the program ships must not have, one line per problem naming its file.
std::vector<std::string> PackProblems(const QString& folder)
{
    std::vector<std::string> problems;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({"*.json"}, QDir::Files, QDir::Name)) {
        const std::string file = name.toStdString();
        const auto problem = [&](const std::string& what) {
            problems.push_back(file + ": " + what);
        };
        if (!QRegularExpression("^[a-z0-9-]+\\.json$").match(name).hasMatch()) {
            problem("the file name is not lower-case letters, digits and dashes");
        }
        PackFile read;
        try {
            read = ReadPackFile(dir.filePath(name).toStdString());
        } catch (const Exception& error) {
            problem(error.what());
            continue;
        }
        if (read.packs.size() != 1) {
            problem("not one pack");
            continue;
        }
        const ShortcutPack& pack = read.packs.front();
        if (pack.source.empty()) {
            problem("names no source");
        }
        if (!pack.desktop && pack.name.empty()) {
            problem("names no program");
        }
        if (pack.shortcuts.empty()) {
            problem("holds no shortcuts");
        }
        for (std::size_t i = 0; i < pack.shortcuts.size(); ++i) {
            const PackShortcut& shortcut = pack.shortcuts[i];
            if (pack.desktop && shortcut.active) {
                problem(shortcut.name + ": a desktop's shortcut is global");
            }
            for (std::size_t j = 0; j < i; ++j) {
                if (SameKeys(pack.shortcuts[j].keys, shortcut.keys) &&
                    pack.shortcuts[j].active == shortcut.active) {
                    problem(shortcut.keys.GetText() + " twice");
                }
            }
        }
    }
    return problems;
}

class Packs : public ::testing::Test
{
protected:
    std::string Path(const std::string& name) const
    {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }
    std::string WritePack(const std::string& name, const std::string& text) const
    {
        Write(Path(name), text);
        return Path(name);
    }

    FakeEnvironment env;
    QTemporaryDir dir;
};

// A pack around the given shortcut lines.
std::string PackWith(const std::string& shortcuts)
{
    return "{\n"
           "  \"format\": 1,\n"
           "  \"name\": \"Editor\",\n"
           "  \"executables\": [\"editor\"],\n"
           "  \"shortcuts\": [\n" +
           shortcuts +
           "\n  ]\n"
           "}\n";
}

const std::string Save =
    R"(    { "keys": "Ctrl+S", "name": "Save", "description": "Save the file", "scope": "active" })";

} // namespace

TEST(ShippedPacks, EveryPackParsesNamesItsSourceAndRepeatsNoKeys)
{
    // The folder may be empty (or missing) on a branch without packs.
    EXPECT_EQ(PackProblems(QUORVEL_PACKS_DIR), std::vector<std::string>{});
    // The packs the tests use are held to the same rules.
    EXPECT_EQ(PackProblems(QUORVEL_TEST_PACKS_DIR), std::vector<std::string>{});
    EXPECT_EQ(QDir(QUORVEL_TEST_PACKS_DIR).entryList({"*.json"}).size(), 6);
}

TEST_F(Packs, TheShippedPackCheckFindsRepeatedKeysMissingSourcesAndBadFiles)
{
    WritePack("repeated.json", PackWith(Save + ",\n" + Save).insert(2, "\"source\": \"x\",\n"));
    WritePack("nosource.json", PackWith(Save));
    WritePack("broken.json", "{");
    WritePack("Upper.json", PackWith(Save).insert(2, "\"source\": \"x\",\n"));
    const auto problems = PackProblems(dir.path());
    ASSERT_EQ(problems.size(), 4u);
    EXPECT_EQ(problems[0].rfind("Upper.json", 0), 0u);
    EXPECT_EQ(problems[1].rfind("broken.json", 0), 0u);
    EXPECT_EQ(problems[2].rfind("nosource.json", 0), 0u);
    EXPECT_EQ(problems[3], "repeated.json: Ctrl + S twice");
}

TEST_F(Packs, APackIsReadWithEveryField)
{
    const PackFile file = ReadPackFile(std::string(QUORVEL_TEST_PACKS_DIR) + "/less.json");
    ASSERT_EQ(file.packs.size(), 1u);
    const ShortcutPack& pack = file.packs[0];
    EXPECT_FALSE(pack.desktop);
    EXPECT_EQ(pack.name, "less");
    EXPECT_EQ(pack.executables, std::vector<std::string>{"less"});
    EXPECT_EQ(pack.source, "less(1), section Commands (less 590, Debian 12)");
    ASSERT_EQ(pack.shortcuts.size(), 7u);
    EXPECT_EQ(pack.shortcuts[3].keys, (CKeyCodes{vk::Shift, 'G'}));
    EXPECT_EQ(pack.shortcuts[3].name, "Last line");
    EXPECT_EQ(pack.shortcuts[3].description, "Go to the last line of the file");
    EXPECT_TRUE(pack.shortcuts[3].active);

    const PackFile desktop = ReadPackFile(std::string(QUORVEL_TEST_PACKS_DIR) + "/desktop-i3.json");
    EXPECT_TRUE(desktop.packs[0].desktop);
    EXPECT_EQ(desktop.packs[0].desktops, std::vector<std::string>{"i3"});
    EXPECT_EQ(desktop.packs[0].windowManagers, std::vector<std::string>{"i3"});
    EXPECT_FALSE(desktop.packs[0].shortcuts[0].active);
}

TEST_F(Packs, AModulesPackTakesTheSharedPartAndItsWindowClasses)
{
    WritePack("office.json", R"({ "format": 1, "name": "Office", "executables": ["soffice.bin"],
  "shortcuts": [
    { "keys": "Ctrl+S", "name": "Save", "description": "Save", "scope": "active" },
    { "keys": "F5", "name": "Navigator", "description": "Navigator", "scope": "active" },
    { "keys": "F5", "name": "Global F5", "description": "Global", "scope": "global" }
  ] })");
    const std::string impress = WritePack("impress.json", R"({ "format": 1, "name": "Impress",
  "executables": ["soffice.bin"], "windowClasses": ["libreoffice-impress"],
  "appIds": ["org.libreoffice.Impress"], "include": "office.json",
  "shortcuts": [
    { "keys": "F5", "name": "Slide show", "description": "Start", "scope": "active" }
  ] })");
    const PackFile file = ReadPackFile(impress);
    const ShortcutPack& pack = file.packs.at(0);
    EXPECT_EQ(pack.windowClasses, std::vector<std::string>{"libreoffice-impress"});
    EXPECT_EQ(pack.appIds, std::vector<std::string>{"org.libreoffice.Impress"});
    std::vector<std::string> names;
    for (const PackShortcut& shortcut : pack.shortcuts) {
        names.push_back(shortcut.name);
    }
    // The module's own F5 replaces the shared one of the same scope only.
    EXPECT_EQ(names, (std::vector<std::string>{"Save", "Global F5", "Slide show"}));

    const auto refusal = [this](const std::string& include, const std::string& extra = {}) {
        return Refusal(WritePack("module.json", R"({ "format": 1, "name": "M",
  "executables": ["m"], "include": ")" + include + "\"" +
                                                    extra + R"(, "shortcuts": [] })"));
    };
    EXPECT_NE(refusal("../office.json").find("include"), std::string::npos);
    EXPECT_NE(refusal("missing.json").find("missing.json"), std::string::npos);
    // A shared part shares nothing further.
    EXPECT_NE(refusal("impress.json").find("include"), std::string::npos);
    EXPECT_NE(refusal("office.json", R"(, "windowClasses": ["a;b"])").find("windowClasses"),
              std::string::npos);
}

TEST_F(Packs, BadFilesAreRefusedNamingTheFileLineAndField)
{
    struct Case
    {
        std::string text;
        // Parts the message must hold besides the file's name.
        std::vector<std::string> says;
    };
    const std::string name21 = "Сохранить всё и сразу";
    const std::string name20 = "Сохранить всё и сраз";
    const std::vector<Case> cases{
        {"{\n  \"format\": 1,\n  \"name\": \"A\"\n  \"executables\": []\n}", {"строка 4", "JSON"}},
        {"", {"строка 1", "JSON"}},
        {"[1, 2]", {"строка 1", "нужен объект"}},
        {"{ \"name\": \"A\" }", {"строка 1", "format"}},
        {PackWith(Save).replace(14, 1, "2"), {"строка 2, поле format"}},
        {PackWith(Save).replace(PackWith(Save).find("\"shortcuts\": ["), 14, "\"shortcuts\": {"),
         {"JSON"}},
        {"{\n\"format\": 1,\n\"name\": \"A\",\n\"executables\": [\"a\"],\n\"shortcuts\": 5\n}",
         {"строка 5, поле shortcuts", "список"}},
        {PackWith(
             Save + ",\n" +
             R"(    { "keys": "Ctrl+Shft+S", "name": "Save as", "description": "x", "scope": "active" })"),
         {"строка 7, поле shortcuts[1].keys", "«shft»"}},
        {PackWith(
             R"(    { "keys": "Ctrl+Alt", "name": "X", "description": "x", "scope": "active" })"),
         {"строка 6, поле shortcuts[0].keys", "модификатор"}},
        {PackWith(R"(    { "keys": "Ctrl+S", "name": "", "description": "x", "scope": "active" })"),
         {"строка 6, поле shortcuts[0].name", "пуст"}},
        {PackWith(R"(    { "keys": "Ctrl+S", "name": ")" + name21 +
                  R"(", "description": "x", "scope": "active" })"),
         {"поле shortcuts[0].name", "20"}},
        {PackWith(R"(    { "keys": "Ctrl+S", "name": "S", "description": ")" +
                  std::string(257, 'x') + R"(", "scope": "active" })"),
         {"поле shortcuts[0].description", "256"}},
        {PackWith(R"(    { "keys": "Ctrl+S", "name": "S", "scope": "active" })"),
         {"строка 6, поле shortcuts[0]", "description"}},
        {PackWith(
             R"(    { "keys": "Ctrl+S", "name": "S", "description": "d", "scope": "always" })"),
         {"поле shortcuts[0].scope"}},
        {PackWith(R"(    { "keys": 5, "name": "S", "description": "d", "scope": "active" })"),
         {"поле shortcuts[0].keys", "текст"}},
        {PackWith(
             R"(    { "keys": "Ctrl+S", "name": "S", "description": "d", "scope": "active", "icn": "x" })"),
         {"поле shortcuts[0].icn", "неизвестное поле"}},
        {PackWith(
             R"(    { "keys": "Ctrl+S", "name": "S", "description": "d", "scope": "active", "icon": "none.png" })"),
         {"поле shortcuts[0].icon", "none.png"}},
        {PackWith(
             R"(    { "keys": "Ctrl+S", "name": "S", "description": "d", "scope": "active", "icon": "../../etc/passwd.png" })"),
         {"поле shortcuts[0].icon", "папке"}},
        {PackWith(
             R"(    { "keys": "Ctrl+S", "name": "S", "description": "d", "scope": "active", "icon": "text.png" })"),
         {"поле shortcuts[0].icon", "картинку"}},
        {PackWith(
             R"(    { "keys": "Ctrl+S", "name": "S", "description": "d", "scope": "active", "iconData": "%%%" })"),
         {"поле shortcuts[0].iconData", "base64"}},
        {PackWith(
             R"(    { "keys": "Ctrl+S", "name": "S", "description": "d", "scope": "active", "iconData": "aGVsbG8=" })"),
         {"поле shortcuts[0].iconData", "картинку"}},
        {"{\"format\": 1, \"programs\": [" + PackWith(Save) + ", 7]}",
         {"поле programs[1]", "объект"}},
    };
    Write(Path("text.png"), "this is no picture");
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::string path = WritePack("case" + std::to_string(i) + ".json", cases[i].text);
        const std::string message = Refusal(path);
        EXPECT_NE(message.find(path), std::string::npos) << i << ": " << message;
        for (const std::string& part : cases[i].says) {
            EXPECT_NE(message.find(part), std::string::npos) << i << ": " << message;
        }
    }
    // Twenty characters are characters, not bytes.
    EXPECT_EQ(Refusal(WritePack("twenty.json",
                                PackWith(R"(    { "keys": "Ctrl+S", "name": ")" + name20 +
                                         R"(", "description": "x", "scope": "active" })"))),
              "accepted");
}

TEST_F(Packs, WhatIsNoFileOrIsTooLargeIsRefusedUnread)
{
    EXPECT_NE(Refusal(Path("missing.json")).find(Path("missing.json")), std::string::npos);
    EXPECT_NE(Refusal(dir.path().toStdString()), "accepted");
    // 100 MB of nothing but a JSON start: refused by its size, before any of it is parsed.
    const std::string large = WritePack("large.json", "{\"format\": 1, \"name\": \"");
    ASSERT_TRUE(QFile::resize(QString::fromStdString(large), 100LL * 1024 * 1024));
    const std::string message = Refusal(large);
    EXPECT_NE(message.find(large), std::string::npos);
    EXPECT_NE(message.find("32 МБ"), std::string::npos) << message;
}

class PackIcons : public Packs
{
protected:
    void SetUp() override
    {
        // A theme of one icon, in place of the desktop's.
        themes_ = QIcon::themeSearchPaths();
        theme_ = QIcon::themeName();
        QDir(dir.path()).mkpath("themes/quorvel-test/16x16/actions");
        Write(Path("themes/quorvel-test/index.theme"),
              "[Icon Theme]\nName=quorvel-test\nDirectories=16x16/actions\n\n"
              "[16x16/actions]\nSize=16\nType=Fixed\n");
        QImage save(16, 16, QImage::Format_ARGB32);
        save.fill(Qt::transparent);
        save.setPixelColor(8, 8, QColor(0, 128, 0));
        save.save(dir.filePath("themes/quorvel-test/16x16/actions/test-save.png"));
        QIcon::setThemeSearchPaths({dir.filePath("themes")});
        QIcon::setThemeName("quorvel-test");
    }
    void TearDown() override
    {
        QIcon::setThemeSearchPaths(themes_);
        QIcon::setThemeName(theme_);
    }

    static QImage StoredIcon(const Blob& field) { return DecodeIcon(field); }

private:
    QStringList themes_;
    QString theme_;
};

TEST_F(PackIcons, IconsComeFromTheThemeThePacksFolderOrTheFile)
{
    const QString folder = QUORVEL_TEST_PACKS_DIR;
    QImage twoPixels(2, 1, QImage::Format_RGB32);
    twoPixels.setPixelColor(0, 0, Qt::red);
    twoPixels.setPixelColor(1, 0, Qt::blue);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    twoPixels.save(&png, "PNG");
    const std::string text = PackWith(
        R"(    { "keys": "Ctrl+S", "name": "S", "description": "d", "scope": "active", "icon": "test-save" },
    { "keys": "Ctrl+O", "name": "O", "description": "d", "scope": "active", "icon": "no-such-icon" },
    { "keys": "Ctrl+L", "name": "L", "description": "d", "scope": "active", "icon": "icons/font-larger.svg" },
    { "keys": "Ctrl+R", "name": "R", "description": "d", "scope": "active", "icon": "icons/search.png" },
    { "keys": "Ctrl+P", "name": "P", "description": "d", "scope": "active", "iconData": ")" +
        png.data().toBase64().toStdString() + R"(" })");
    const PackFile file = ParsePackText(QByteArray::fromStdString(text), folder.toStdString());
    const auto& shortcuts = file.packs.at(0).shortcuts;

    // Every icon is stored as a BMP file, with its alpha channel.
    for (const PackShortcut& shortcut : shortcuts) {
        if (!shortcut.icon.empty()) {
            EXPECT_EQ(std::string(shortcut.icon.begin(), shortcut.icon.begin() + 2), "BM");
        }
    }
    const QImage theme = StoredIcon(shortcuts[0].icon);
    EXPECT_EQ(theme.size(), QSize(16, 16));
    EXPECT_EQ(theme.pixelColor(8, 8), QColor(0, 128, 0));
    EXPECT_EQ(theme.pixelColor(0, 0).alpha(), 0);

    // An icon the theme lacks costs the shortcut its icon, not the import.
    EXPECT_TRUE(shortcuts[1].icon.empty());
    ASSERT_EQ(file.notes.size(), 1u);
    EXPECT_NE(file.notes[0].find("no-such-icon"), std::string::npos);

    EXPECT_EQ(StoredIcon(shortcuts[2].icon).size(), QSize(16, 16));
    // A large picture is scaled down, keeping its shape and its transparency.
    const QImage scaled = StoredIcon(shortcuts[3].icon);
    EXPECT_EQ(scaled.size(), QSize(64, 32));
    EXPECT_EQ(scaled.pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(scaled.pixelColor(16, 16).red(), 0xCC);

    const QImage embedded = StoredIcon(shortcuts[4].icon);
    EXPECT_EQ(embedded.size(), QSize(2, 1));
    EXPECT_EQ(embedded.pixelColor(0, 0), QColor(255, 0, 0));
}

TEST_F(PackIcons, StoredIconsTravelAsPngAndComeBackAsTheSameBytes)
{
    QImage opaque(5, 3, QImage::Format_RGB32);
    opaque.fill(QColor(10, 20, 30));
    QImage translucent(4, 4, QImage::Format_ARGB32);
    translucent.fill(QColor(200, 100, 50, 77));
    for (const QImage& picture : {opaque, translucent}) {
        const Blob stored = IconFieldBytes(picture);
        const QByteArray png = IconPng(stored);
        ASSERT_TRUE(png.startsWith("\x89PNG"));
        const QImage travelled = QImage::fromData(png);
        EXPECT_EQ(IconFieldBytes(travelled), stored);
    }
    EXPECT_TRUE(IconPng(Blob{'B', 'M', 1, 2}).isEmpty());
}

TEST_F(PackIcons, PicturesAreStoredAtKeySizeAndBombsAreRefusedNamingTheFile)
{
    const auto iconData = [](const QByteArray& picture) {
        return PackWith(
            R"(    { "keys": "Ctrl+S", "name": "S", "description": "d", "scope": "active", "iconData": ")" +
            picture.toBase64().toStdString() + R"(" })");
    };
    // A large embedded picture is kept at the size keys draw, not as a 4 MB bitmap.
    const std::string large = WritePack("large.json", iconData(PlainPng(1024)));
    const Blob stored = ReadPackFile(large).packs.at(0).shortcuts.at(0).icon;
    EXPECT_EQ(StoredIcon(stored).size(), QSize(64, 64));
    EXPECT_LT(stored.size(), 64u * 64 * 4 + 200);

    // A picture declaring 30,000 x 30,000 pixels is refused before anything of that size exists.
    const std::string declared = WritePack("declared.json", iconData(PngDeclaring(30000, 30000)));
    EXPECT_NE(Refusal(declared).find("30000 × 30000"), std::string::npos) << Refusal(declared);

    // Compressed SVG inflating to 100 MB.
    QFile bomb(dir.filePath("bomb.svgz"));
    ASSERT_TRUE(bomb.open(QIODevice::WriteOnly));
    bomb.write(SvgzBomb());
    bomb.close();
    const std::string svgz = WritePack(
        "svgz.json",
        PackWith(
            R"(    { "keys": "Ctrl+S", "name": "S", "description": "d", "scope": "active", "icon": "bomb.svgz" })"));
    const std::string message = Refusal(svgz);
    EXPECT_NE(message.find(Path("bomb.svgz")), std::string::npos) << message;
    EXPECT_NE(message.find("4 МБ"), std::string::npos) << message;
}

TEST_F(Packs, LinksOutOfThePacksFolderAreRefused)
{
    QTemporaryDir elsewhere;
    QFile picture(elsewhere.filePath("secret.png"));
    ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
    picture.write(PlainPng(8));
    picture.close();
    QDir(dir.path()).mkdir("pack");
    QDir(dir.path()).mkdir("pack/own");
    QFile::copy(elsewhere.filePath("secret.png"), dir.filePath("pack/own/inside.png"));
    ASSERT_TRUE(QFile::link(elsewhere.filePath("secret.png"), dir.filePath("pack/icon.png")));
    ASSERT_TRUE(QFile::link(elsewhere.path(), dir.filePath("pack/sub")));
    // A link that stays inside the folder is fine.
    ASSERT_TRUE(QFile::link(dir.filePath("pack/own/inside.png"), dir.filePath("pack/near.png")));
    const auto packUsing = [this](const std::string& icon) {
        return WritePack(
            "pack/pack.json",
            PackWith(
                R"(    { "keys": "Ctrl+S", "name": "S", "description": "d", "scope": "active", "icon": ")" +
                icon + R"(" })"));
    };
    for (const char* icon : {"icon.png", "sub/secret.png"}) {
        const std::string message = Refusal(packUsing(icon));
        EXPECT_NE(message.find("папке набора"), std::string::npos) << icon << ": " << message;
    }
    for (const char* icon : {"near.png", "own/inside.png"}) {
        EXPECT_EQ(Refusal(packUsing(icon)), "accepted") << icon;
    }
}
