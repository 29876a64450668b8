#include "keys/KeyImage.h"

#include <QBuffer>
#include <QPainter>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QColor pressedColor(166, 202, 240);
const QColor iconColor(255, 255, 0);

std::unique_ptr<TKeyImage> MakeKey(std::uint16_t code, int width, int height)
{
    auto image = std::make_unique<TKeyImage>();
    image->setGeometry(0, 0, width, height);
    image->KeyCode = code;
    image->KeyFont.font.setPixelSize(11);
    image->ActionFont.font.setPixelSize(12);
    return image;
}

QImage SolidIcon(int width, int height)
{
    QImage icon(width, height, QImage::Format_ARGB32);
    icon.fill(iconColor);
    return icon;
}

bool IsInk(QRgb pixel)
{
    return qAlpha(pixel) == 255 && qGray(pixel) < 128;
}

// Leftmost and rightmost columns holding text pixels within the given rows; -1 when none.
std::pair<int, int> InkColumns(const QImage& picture, int firstRow, int lastRow)
{
    int left = -1;
    int right = -1;
    for (int y = firstRow; y <= lastRow; ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (IsInk(picture.pixel(x, y))) {
                left = left < 0 ? x : std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    return {left, right};
}

int InkCentre(const QImage& picture, int firstRow, int lastRow)
{
    const auto [left, right] = InkColumns(picture, firstRow, lastRow);
    return (left + right) / 2;
}

} // namespace

TEST(KeyImage, PressedAndReleasedBackgroundInEveryStyle)
{
    struct Shape
    {
        std::uint16_t code;
        int width;
        int height;
    };
    for (const Shape& shape :
         {Shape{0x41, 60, 80}, Shape{107, 60, 170}, Shape{8, 130, 80}, Shape{13, 150, 170}}) {
        auto image = MakeKey(shape.code, shape.width, shape.height);
        const QPoint inside(shape.width - 3, shape.height / 2 + 2);
        image->DrawKey(nullptr, true);
        EXPECT_EQ(image->Picture().pixelColor(inside), pressedColor) << shape.code;
        image->DrawKey(nullptr, false);
        EXPECT_EQ(image->Picture().pixelColor(inside), QColor(Qt::white)) << shape.code;
    }
}

TEST(KeyImage, EnterCutOutIsSeeThroughInEveryState)
{
    auto image = MakeKey(13, 100, 80);
    for (bool pressed : {false, true}) {
        image->DrawKey(nullptr, pressed);
        const QImage& picture = image->Picture();
        // The top left 40 % x 50 % is cut out; the rest is the key.
        EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(picture.pixel(39, 39)), 0);
        EXPECT_EQ(qAlpha(picture.pixel(40, 0)), 255);
        EXPECT_EQ(qAlpha(picture.pixel(0, 40)), 255);
        EXPECT_FALSE(image->mask().contains(QPoint(39, 39)));
        EXPECT_TRUE(image->mask().contains(QPoint(40, 39)));
        EXPECT_TRUE(image->mask().contains(QPoint(0, 79)));
    }

    // On its window the cut-out shows the window's own background.
    QWidget window;
    window.resize(120, 100);
    window.setAutoFillBackground(true);
    QPalette palette;
    palette.setColor(QPalette::Window, Qt::darkGreen);
    window.setPalette(palette);
    image->setParent(&window);
    image->move(10, 10);
    image->DrawKey(nullptr, false);
    const QImage screen = window.grab().toImage();
    EXPECT_EQ(screen.pixelColor(15, 15), QColor(Qt::darkGreen));
    EXPECT_EQ(screen.pixelColor(105, 15), QColor(Qt::white));
    EXPECT_EQ(screen.pixelColor(15, 85), QColor(Qt::white));
    image->setParent(nullptr);

    // Another style drawn afterwards has no hole.
    image->KeyCode = 0x41;
    image->DrawKey(nullptr, false);
    EXPECT_TRUE(image->mask().isEmpty());
    EXPECT_EQ(qAlpha(image->Picture().pixel(0, 0)), 255);
}

TEST(KeyImage, ShortNameCentredWhenItFitsLeftAlignedOtherwise)
{
    auto image = MakeKey(106, 60, 80); // keypad multiply: no key name to get in the way
    CActionDescription description;
    description.ShortName = "ab";
    image->DrawKey(&description, false);
    const auto [left, right] = InkColumns(image->Picture(), 60, 79);
    ASSERT_GE(left, 0);
    EXPECT_NEAR(left, 59 - right, 2);
    EXPECT_GT(left, 15);

    description.ShortName = "A much too long short name";
    image->DrawKey(&description, false);
    const auto [longLeft, longRight] = InkColumns(image->Picture(), 60, 79);
    EXPECT_LE(longLeft, 1);
    EXPECT_EQ(longRight, 59); // runs past the right edge
}

TEST(KeyImage, KeyNameOnlyWhenTheKeyHasOne)
{
    auto named = MakeKey(0x41, 60, 80);
    named->DrawKey(nullptr, false);
    const auto [left, right] = InkColumns(named->Picture(), 0, 20);
    EXPECT_GE(left, 0);
    EXPECT_LT(right, 20);
    EXPECT_EQ(InkColumns(named->Picture(), 21, 79).first, -1);

    auto multiply = MakeKey(106, 60, 80);
    multiply->DrawKey(nullptr, false);
    EXPECT_EQ(InkColumns(multiply->Picture(), 0, 79).first, -1);
}

TEST(KeyImage, ShapeDecidesWhereTheIconGoes)
{
    CActionDescription description;
    description.ShortName = "ab";
    description.Icon = SolidIcon(16, 16);

    // Square: icon in the top right corner.
    auto square = MakeKey(106, 60, 96);
    square->DrawKey(&description, false);
    EXPECT_EQ(square->Picture().pixelColor(30, 2), iconColor);

    // Tall (100 > 1.6 x 60): the icon spans the width just above the short name.
    auto tall = MakeKey(106, 60, 100);
    tall->DrawKey(&description, false);
    EXPECT_EQ(tall->Picture().pixelColor(30, 2), QColor(Qt::white));
    EXPECT_EQ(tall->Picture().pixelColor(0, 70), iconColor);
    EXPECT_EQ(tall->Picture().pixelColor(59, 70), iconColor);

    // Wide (100 > 1.6 x 60): short name and icon in the right half. 96 x 60 is still square.
    auto wide = MakeKey(106, 100, 60);
    wide->DrawKey(&description, false);
    EXPECT_NEAR(InkCentre(wide->Picture(), 45, 59), 75, 3);
    EXPECT_EQ(wide->Picture().pixelColor(75, 20), iconColor);
    auto notWide = MakeKey(106, 96, 60);
    notWide->DrawKey(&description, false);
    EXPECT_NEAR(InkCentre(notWide->Picture(), 45, 59), 48, 3);

    // The Enter key keeps its style whatever its shape: short name in the band's right half.
    auto enter = MakeKey(13, 60, 200);
    enter->DrawKey(&description, false);
    EXPECT_EQ(qAlpha(enter->Picture().pixel(1, 1)), 0);
    EXPECT_NEAR(InkCentre(enter->Picture(), 185, 199), 45, 3);
}

TEST(KeyImage, MissingOrEmptyIconDrawsOnlyTheShortName)
{
    CActionDescription description;
    description.ShortName = "ab";
    for (std::uint16_t code : {106, 13}) {
        auto image = MakeKey(code, 120, 120);
        image->DrawKey(&description, false);
        const QImage& picture = image->Picture();
        EXPECT_GE(InkColumns(picture, 100, 119).first, 0);
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                ASSERT_NE(picture.pixelColor(x, y), iconColor);
            }
        }
    }
}

TEST(KeyImage, KeyWithoutAreaDrawsNothing)
{
    CActionDescription description;
    description.ShortName = "ab";
    description.Icon = SolidIcon(16, 16);
    for (std::uint16_t code : {0x41, 13}) {
        auto image = MakeKey(code, 0, 40);
        image->DrawKey(&description, true);
        EXPECT_TRUE(image->Picture().isNull());
    }
    // Too small for its icon: the icon is left out, the key is still drawn.
    auto tiny = MakeKey(106, 8, 8);
    tiny->DrawKey(&description, true);
    EXPECT_EQ(tiny->Picture().size(), QSize(8, 8));
}

TEST(KeyImage, StoredIconBytesAreDecodedWhenDrawn)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    SolidIcon(16, 16).save(&buffer, "PNG");
    CActionDescription description;
    description.ShortName = "ab";
    description.IconData = std::make_shared<const std::vector<std::uint8_t>>(buffer.data().begin(),
                                                                             buffer.data().end());
    auto square = MakeKey(106, 60, 96);
    square->DrawKey(&description, false);
    EXPECT_EQ(square->Picture().pixelColor(30, 2), iconColor);

    // Bytes that hold no picture, or one too large to decode, draw no icon.
    description = CActionDescription();
    description.ShortName = "ab";
    description.IconData = std::make_shared<const std::vector<std::uint8_t>>(10, 'x');
    square->DrawKey(&description, false);
    EXPECT_EQ(square->Picture().pixelColor(30, 2), QColor(Qt::white));
    EXPECT_TRUE(DecodeIcon(std::vector<std::uint8_t>(10, 'x')).isNull());
    QBuffer large;
    large.open(QIODevice::WriteOnly);
    QImage(MaxIconSide + 1, 4, QImage::Format_RGB32).save(&large, "BMP");
    EXPECT_TRUE(DecodeIcon({large.data().begin(), large.data().end()}).isNull());
}
