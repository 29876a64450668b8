#include "keyboard/KeyLayoutLoader.h"

#include "framework/Exception.h"
#include "services/Translation.h"
#include "util/Paths.h"
#include "util/Text.h"

#include "FakeEnvironment.h"

#include <QFile>
#include <QRect>
#include <QRegion>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class KeyLayoutLoaderTest : public ::testing::Test
{
protected:
    std::string Write(const std::string& content)
    {
        const QString path = folder.filePath("keyimages.xml");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content.data(), static_cast<qint64>(content.size()));
        return path.toStdString();
    }
    std::vector<KeyGeometry> Load(const std::string& content, double scale = 1.0)
    {
        return loader.LoadKeys(Write(content), scale);
    }
    // The message of the exception the load raises; empty when it raises none.
    std::string LoadError(const std::string& content)
    {
        try {
            Load(content);
        } catch (const Exception& error) {
            return error.what();
        }
        return {};
    }
    static std::string AttributeError(const std::string& position, const std::string& name)
    {
        return FormatText(Translate("Элемент клавиши №%s в файле клавиатуры: атрибут \"%s\" "
                                    "отсутствует или не является целым числом."),
                          position, name);
    }
    static std::string PlaceError(const std::string& position)
    {
        return FormatText(Translate("Клавиша №%s в файле клавиатуры имеет неверный код или лежит "
                                    "за пределами клавиатуры."),
                          position);
    }
    static std::string FileError()
    {
        return Translate("Не удается загрузить клавиатуру. Файл настроек недоступен или имеет "
                         "неправильный формат.");
    }
    static std::string Key(int code, int left, int top, int width, int height)
    {
        return FormatText(R"(<key KeyCode="%s" Left="%s" Top="%s" Width="%s" Height="%s"/>)",
                          std::to_string(code), std::to_string(left), std::to_string(top),
                          std::to_string(width), std::to_string(height));
    }

    FakeEnvironment env;
    QTemporaryDir folder;
    CKeyLayoutLoader loader{env.platform};
};

} // namespace

TEST_F(KeyLayoutLoaderTest, ReadsKeysInFileOrderAtTheGivenScale)
{
    const auto keys = Load(R"(<?xml version="1.0"?>
<!-- a comment is not a key -->
<keyimages>
  <key KeyCode="161" Left="10" Top="20" Width="30" Height="40" Label="ignored">text</key>
  <anything KeyCode="65" Left="50" Top="20" Width="61" Height="40"/>
  <key KeyCode="91" Left="0" Top="591" Width="1566" Height="40"/>
</keyimages>)");
    EXPECT_EQ(keys, (std::vector<KeyGeometry>{{161, QRect(10, 20, 30, 40)},
                                              {65, QRect(50, 20, 61, 40)},
                                              {91, QRect(0, 591, 1566, 40)}}));
    const auto scaled = Load("<keyimages>" + Key(65, 10, 20, 61, 40) + "</keyimages>", 0.8);
    EXPECT_EQ(scaled, (std::vector<KeyGeometry>{{65, QRect(8, 16, 49, 32)}}));
}

TEST_F(KeyLayoutLoaderTest, UnreadableOrKeylessFileRaisesTheLoadError)
{
    EXPECT_EQ(LoadError("<keyimages><key KeyCode=\"65\"</keyimages>"), FileError());
    EXPECT_EQ(LoadError(""), FileError());
    // The wrong root element, or none of the keys a keyboard needs.
    EXPECT_EQ(LoadError("<Keyimages>" + Key(65, 0, 0, 9, 9) + "</Keyimages>"), FileError());
    EXPECT_EQ(LoadError("<other/>"), FileError());
    EXPECT_EQ(LoadError("<keyimages/>"), FileError());
    // Missing, a folder, or a pipe (which is never opened: that would wait for a writer).
    const std::string pipe = folder.filePath("pipe.xml").toStdString();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& path :
         {folder.filePath("missing.xml").toStdString(), folder.path().toStdString(), pipe}) {
        try {
            loader.LoadKeys(path, 1.0);
            ADD_FAILURE() << path << " loaded";
        } catch (const Exception& error) {
            EXPECT_EQ(error.what(), FileError());
        }
    }
}

TEST_F(KeyLayoutLoaderTest, BadAttributeNamesTheKey)
{
    const std::string good = Key(65, 0, 0, 9, 9);
    EXPECT_EQ(LoadError("<keyimages>" + good +
                        R"(<key KeyCode="66" Left="0" Width="9" Height="9"/></keyimages>)"),
              AttributeError("2", "Top"));
    EXPECT_EQ(LoadError("<keyimages>" + good + good +
                        R"(<key KeyCode="66" Left="0" Top="0" Width="9px" Height="9"/>)"
                        "</keyimages>"),
              AttributeError("3", "Width"));
    EXPECT_EQ(LoadError(R"(<keyimages><key KeyCode="" Left="0" Top="0" Width="9" Height="9"/>)"
                        "</keyimages>"),
              AttributeError("1", "KeyCode"));
    EXPECT_EQ(LoadError(R"(<keyimages><key KeyCode="65" Left="0" Top="0" Width="9" )"
                        R"(Height="99999999999"/></keyimages>)"),
              AttributeError("1", "Height"));
    EXPECT_EQ(LoadError(R"(<keyimages><key KeyCode="6.5" Left="0" Top="0" Width="9" )"
                        R"(Height="9"/></keyimages>)"),
              AttributeError("1", "KeyCode"));
    // Text inside keyimages is a key element without attributes.
    EXPECT_EQ(LoadError("<keyimages>" + good + "stray text</keyimages>"),
              AttributeError("2", "KeyCode"));
}

TEST_F(KeyLayoutLoaderTest, KeysOutsideTheKeyboardOrTooManyAreRefused)
{
    const std::string good = Key(65, 0, 0, 9, 9);
    EXPECT_EQ(LoadError("<keyimages>" + good + Key(66, 1560, 0, 7, 9) + "</keyimages>"),
              PlaceError("2"));
    EXPECT_EQ(LoadError("<keyimages>" + Key(66, 0, 600, 9, 32) + "</keyimages>"), PlaceError("1"));
    EXPECT_EQ(LoadError("<keyimages>" + Key(66, -5, 0, 9, 9) + "</keyimages>"), PlaceError("1"));
    EXPECT_EQ(LoadError("<keyimages>" + Key(66, 0, 0, 20000, 20000) + "</keyimages>"),
              PlaceError("1"));
    EXPECT_EQ(LoadError("<keyimages>" + Key(66, 2000000000, 0, 2000000000, 9) + "</keyimages>"),
              PlaceError("1"));
    EXPECT_EQ(LoadError("<keyimages>" + Key(0, 0, 0, 9, 9) + "</keyimages>"), PlaceError("1"));
    EXPECT_EQ(LoadError("<keyimages>" + Key(70000, 0, 0, 9, 9) + "</keyimages>"), PlaceError("1"));

    std::string many = "<keyimages>";
    for (std::size_t i = 0; i < MaxLayoutKeys; ++i) {
        many += good;
    }
    EXPECT_EQ(Load(many + "</keyimages>").size(), MaxLayoutKeys);
    EXPECT_EQ(LoadError(many + good + "</keyimages>"),
              FormatText(Translate("В файле клавиатуры больше %s клавиш."),
                         std::to_string(MaxLayoutKeys)));
}

TEST_F(KeyLayoutLoaderTest, KeysOfTheOtherShapeAreLeftOutAndAnUnknownShapeIsRefused)
{
    const std::string file = "<keyimages>" + Key(65, 0, 0, 10, 10) +
                             R"(<key KeyCode="226" Left="20" Top="0" Width="10" Height="10" )"
                             R"(Shape="ISO"/><key KeyCode="13" Left="40" Top="0" Width="10" )"
                             R"(Height="10" Shape="ANSI"/></keyimages>)";
    std::vector<std::uint16_t> codes;
    for (const KeyGeometry& key : Load(file)) {
        codes.push_back(key.code);
    }
    EXPECT_EQ(codes, (std::vector<std::uint16_t>{65, 226}));
    env.platform.keyboardShape = platform::KeyboardShape::Ansi;
    codes.clear();
    for (const KeyGeometry& key : Load(file)) {
        codes.push_back(key.code);
    }
    EXPECT_EQ(codes, (std::vector<std::uint16_t>{65, 13}));

    EXPECT_EQ(LoadError("<keyimages>" + Key(65, 0, 0, 10, 10) +
                        R"(<key KeyCode="13" Left="20" Top="0" Width="10" Height="10" )"
                        R"(Shape="iso"/></keyimages>)"),
              FormatText(Translate("Клавиша №%s в файле клавиатуры: атрибут \"Shape\" должен "
                                   "быть \"ANSI\" или \"ISO\"."),
                         "2"));
}

TEST_F(KeyLayoutLoaderTest, ShippedKeyboardIsCompleteAndFitsTheWindowInBothShapes)
{
    for (const auto shape : {platform::KeyboardShape::Iso, platform::KeyboardShape::Ansi}) {
        env.platform.keyboardShape = shape;
        const bool iso = shape == platform::KeyboardShape::Iso;
        QWidget window;
        const auto keys =
            MakeKeys(env.platform, loader.LoadKeys(JoinPath(BuildFolder(), "keyimages.xml"), 1.0),
                     KeyFonts{}, &window, 0.0);
        // ISO has the key beside left Shift; the keypad Enter is never drawn.
        EXPECT_EQ(keys->size(), iso ? 104u : 103u);

        const QRect area(0, 0, 1566, 591);
        std::vector<QRegion> shapes;
        CKeyCodes codes;
        std::multiset<std::uint16_t> sideCodes;
        for (const auto& key : *keys) {
            const QWidget& image = *key->KeyImage();
            EXPECT_TRUE(area.contains(image.geometry())) << key->KeyCode;
            // The visible shape: the Enter key's cut-out may hold a corner of another key.
            const QRegion visible = image.mask().isEmpty() ? QRegion(image.geometry())
                                                           : image.mask().translated(image.pos());
            for (const QRegion& other : shapes) {
                EXPECT_FALSE(visible.intersects(other)) << key->KeyCode;
            }
            shapes.push_back(visible);
            if (key->AdditionalKeyCode) {
                sideCodes.insert(key->AdditionalKeyCode);
            } else {
                EXPECT_EQ(codes.count(key->KeyCode), 0u) << "duplicate key " << key->KeyCode;
                codes.Add(key->KeyCode);
            }
        }
        EXPECT_EQ(sideCodes, (std::multiset<std::uint16_t>{91, 92, 160, 161, 162, 163, 164, 165}));
        for (std::uint16_t code :
             {13, 27, 93, 0x41, 0x5A, 0x30, 0x39, 112, 123, 96, 105, 144, 220}) {
            EXPECT_EQ(codes.count(code), 1u) << code;
        }
        EXPECT_EQ(codes.count(226), iso ? 1u : 0u);
    }
}
