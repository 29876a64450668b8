#include "database/Zintdb.h"

#include "framework/Exception.h"
#include "shell/Gettext.h"
#include "util/Mylib.h"

#include "FakeEnvironment.h"

#include <QFile>
#include <QRect>
#include <QRegion>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class KeyLoaderTest : public ::testing::Test
{
protected:
    KeyLoaderTest()
    {
        keyFont.font.setPixelSize(11);
        keyFont.color = Qt::darkBlue;
        actionFont.font.setPixelSize(13);
        actionFont.color = Qt::darkRed;
    }

    std::string Write(const std::string& content)
    {
        const QString path = folder.filePath("keyimages.xml");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content.data(), static_cast<qint64>(content.size()));
        return path.toStdString();
    }
    std::unique_ptr<CKeys> Load(const std::string& content)
    {
        return loader.LoadKeys(Write(content), keyFont, actionFont, &window);
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

    FakeEnvironment env;
    QTemporaryDir folder;
    QWidget window;
    TFont keyFont;
    TFont actionFont;
    CDB loader;
};

const TKeyImage& ImageOf(const CKey& key)
{
    return dynamic_cast<const TKeyImage&>(*key.KeyImage());
}

} // namespace

TEST_F(KeyLoaderTest, BuildsKeysInFileOrderWithFoldedCodes)
{
    const auto keys = Load(R"(<?xml version="1.0"?>
<!-- a comment is not a key -->
<keyimages>
  <key KeyCode="161" Left="10" Top="20" Width="30" Height="40" Label="ignored">text</key>
  <anything KeyCode="65" Left="50" Top="20" Width="30" Height="40"/>
  <key KeyCode="91" Left="90" Top="20" Width="30" Height="40"/>
  <key KeyCode="65" Left="-5" Top="70" Width="30" Height="40"/>
</keyimages>)");
    ASSERT_EQ(keys->size(), 4u);
    std::vector<std::pair<int, int>> codes;
    for (const auto& key : *keys) {
        codes.emplace_back(key->KeyCode, key->AdditionalKeyCode);
        EXPECT_EQ(ImageOf(*key).KeyCode, key->KeyCode);
        EXPECT_EQ(key->KeyImage()->parentWidget(), &window);
        EXPECT_TRUE(key->KeyImage()->isVisibleTo(&window));
    }
    EXPECT_EQ(codes, (std::vector<std::pair<int, int>>{{16, 161}, {65, 0}, {347, 91}, {65, 0}}));

    const TKeyImage& shift = ImageOf(*keys->front());
    EXPECT_EQ(shift.geometry(), QRect(10, 20, 30, 40));
    EXPECT_EQ(shift.KeyFont.font.pixelSize(), 11);
    EXPECT_EQ(shift.KeyFont.color, QColor(Qt::darkBlue));
    EXPECT_EQ(shift.ActionFont.font.pixelSize(), 13);
    EXPECT_EQ(shift.ActionFont.color, QColor(Qt::darkRed));
    EXPECT_EQ(shift.Picture().size(), QSize(30, 40)); // drawn when attached
    EXPECT_EQ(ImageOf(*keys->back()).geometry(), QRect(-5, 70, 30, 40));

    // Releases of the keys reach the list's handler.
    std::vector<std::pair<int, int>> released;
    keys->OnKeyRelease = [&](std::uint16_t a, std::uint16_t b) { released.emplace_back(a, b); };
    keys->front()->ReleaseNow();
    EXPECT_EQ(released, (std::vector<std::pair<int, int>>{{16, 161}}));

    EXPECT_EQ(window.findChildren<IKeyImage*>().size(), 4);
}

TEST_F(KeyLoaderTest, KeysAreBuiltAtTheWindowsDesignScale)
{
    SetDesignScale(&window, 0.8);
    const auto keys = Load(R"(<keyimages>
  <key KeyCode="65" Left="10" Top="20" Width="61" Height="40"/>
</keyimages>)");
    const TKeyImage& key = ImageOf(*keys->front());
    EXPECT_EQ(key.geometry(), QRect(8, 16, 49, 32));
    EXPECT_EQ(key.Picture().size(), QSize(49, 32)); // drawn once, at that size
    EXPECT_DOUBLE_EQ(DesignScale(nullptr), 1.0);
}

TEST_F(KeyLoaderTest, WithoutKeyimagesElementTheKeyboardIsEmpty)
{
    EXPECT_TRUE(Load(R"(<Keyimages><key KeyCode="65" Left="0" Top="0" Width="9" Height="9"/>
                        </Keyimages>)")
                    ->empty());
    EXPECT_TRUE(Load("<other/>")->empty());
    EXPECT_TRUE(Load("<keyimages/>")->empty());
}

TEST_F(KeyLoaderTest, UnreadableFileRaisesTheLoadError)
{
    const std::string expected = Translate("Не удается загрузить клавиатуру. Файл настроект "
                                           "недоступен или имеет неправильный формат.");
    EXPECT_EQ(LoadError("<keyimages><key KeyCode=\"65\"</keyimages>"), expected);
    EXPECT_EQ(LoadError(""), expected);
    try {
        loader.LoadKeys(folder.filePath("missing.xml").toStdString(), keyFont, actionFont, &window);
        ADD_FAILURE() << "a missing file loaded";
    } catch (const Exception& error) {
        EXPECT_EQ(error.what(), expected);
    }
    EXPECT_TRUE(window.children().isEmpty());
}

TEST_F(KeyLoaderTest, BadAttributeNamesTheKeyAndLeavesNothingBehind)
{
    const std::string good = R"(<key KeyCode="65" Left="0" Top="0" Width="9" Height="9"/>)";
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
    // The keys built before the bad one are gone from the window.
    EXPECT_TRUE(window.children().isEmpty());
}

TEST_F(KeyLoaderTest, ShippedKeyboardIsCompleteAndFitsTheWindow)
{
    const auto keys =
        loader.LoadKeys(JoinPath(BuildFolder(), "keyimages.xml"), keyFont, actionFont, &window);
    EXPECT_EQ(keys->size(), 104u);

    const QRect area(0, 0, 1566, 591);
    std::vector<QRegion> shapes;
    CKeyCodes codes;
    std::multiset<std::uint16_t> sideCodes;
    for (const auto& key : *keys) {
        const QWidget& image = *key->KeyImage();
        EXPECT_TRUE(area.contains(image.geometry())) << key->KeyCode;
        // The visible shape: the Enter key's cut-out may hold a corner of another key.
        const QRegion shape = image.mask().isEmpty() ? QRegion(image.geometry())
                                                     : image.mask().translated(image.pos());
        for (const QRegion& other : shapes) {
            EXPECT_FALSE(shape.intersects(other)) << key->KeyCode;
        }
        shapes.push_back(shape);
        if (key->AdditionalKeyCode) {
            sideCodes.insert(key->AdditionalKeyCode);
        } else {
            EXPECT_EQ(codes.count(key->KeyCode), 0u) << "duplicate key " << key->KeyCode;
            codes.Add(key->KeyCode);
        }
    }
    EXPECT_EQ(sideCodes, (std::multiset<std::uint16_t>{91, 92, 160, 161, 162, 163, 164, 165}));
    for (std::uint16_t code : {13, 27, 93, 0x41, 0x5A, 0x30, 0x39, 112, 123, 96, 105, 144, 226}) {
        EXPECT_EQ(codes.count(code), 1u) << code;
    }
}
