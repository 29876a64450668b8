#include "keyboard/Key.h"
#include "keys/KeyCodes.h"
#include "keyboard/KeyImage.h"
#include "keyboard/KeyLayoutLoader.h"
#include "util/Paths.h"

#include "FakeEnvironment.h"

#include <QFontInfo>
#include <QFontMetrics>

#include <QBuffer>
#include <QPainter>
#include <QTextDocument>

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

// The lowest row holding text pixels; -1 when none.
int LastInkRow(const QImage& picture)
{
    for (int y = picture.height() - 1; y >= 0; --y) {
        if (InkColumns(picture, y, y).first >= 0) {
            return y;
        }
    }
    return -1;
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
    // The ISO Enter spans two rows; the bottom left 18 % x 50 % is cut out for its neighbour.
    auto image = MakeKey(13, 100, 170);
    for (bool pressed : {false, true}) {
        image->DrawKey(nullptr, pressed);
        const QImage& picture = image->Picture();
        EXPECT_EQ(qAlpha(picture.pixel(0, 169)), 0);
        EXPECT_EQ(qAlpha(picture.pixel(17, 85)), 0);
        EXPECT_EQ(qAlpha(picture.pixel(18, 169)), 255);
        EXPECT_EQ(qAlpha(picture.pixel(0, 84)), 255);
        EXPECT_FALSE(image->mask().contains(QPoint(17, 85)));
        EXPECT_TRUE(image->mask().contains(QPoint(18, 85)));
        EXPECT_TRUE(image->mask().contains(QPoint(0, 0)));
    }

    // On its window the cut-out shows the window's own background.
    QWidget window;
    window.resize(120, 190);
    window.setAutoFillBackground(true);
    QPalette palette;
    palette.setColor(QPalette::Window, Qt::darkGreen);
    window.setPalette(palette);
    image->setParent(&window);
    image->move(10, 10);
    image->DrawKey(nullptr, false);
    const QImage screen = window.grab().toImage();
    EXPECT_EQ(screen.pixelColor(15, 175), QColor(Qt::darkGreen));
    EXPECT_EQ(screen.pixelColor(105, 175), QColor(Qt::white));
    EXPECT_EQ(screen.pixelColor(60, 60), QColor(Qt::white));
    image->setParent(nullptr);

    // The one-row ANSI Enter has no hole, nor has another style drawn afterwards.
    auto ansi = MakeKey(13, 150, 80);
    ansi->DrawKey(nullptr, false);
    EXPECT_TRUE(ansi->mask().isEmpty());
    EXPECT_EQ(qAlpha(ansi->Picture().pixel(0, 79)), 255);
    image->KeyCode = 0x41;
    image->DrawKey(nullptr, false);
    EXPECT_TRUE(image->mask().isEmpty());
    EXPECT_EQ(qAlpha(image->Picture().pixel(0, 169)), 255);
}

TEST(KeyImage, ShortNameCentredEvenWhenItHasToBeFitted)
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
    ASSERT_GE(longLeft, 0);
    EXPECT_NEAR(longLeft, 59 - longRight, 2);
}

TEST(KeyImage, KeyNameOnlyWhenTheKeyHasOne)
{
    auto named = MakeKey(0x41, 60, 80);
    named->DrawKey(nullptr, false);
    const auto [left, right] = InkColumns(named->Picture(), 0, 20);
    EXPECT_GE(left, 0);
    EXPECT_LT(right, 20);
    EXPECT_EQ(InkColumns(named->Picture(), 21, 79).first, -1);

    auto unnamed = MakeKey(255, 60, 80);
    unnamed->DrawKey(nullptr, false);
    EXPECT_EQ(InkColumns(unnamed->Picture(), 0, 79).first, -1);
}

TEST(KeyImage, WhatShiftTypesIsDrawnSmallAboveTheKeyName)
{
    FakeEnvironment env;
    env.platform.keyCaps = {{'3', {"3", "", ""}}};
    auto plain = MakeKey('3', 60, 80);
    plain->DrawKey(nullptr, false);
    env.platform.keyCaps = {{'3', {"3", "", "£"}}};
    auto shifted = MakeKey('3', 60, 80);
    shifted->DrawKey(nullptr, false);
    // The name moves down below the small character, which takes the top rows.
    const int plainBottom = LastInkRow(plain->Picture());
    const int shiftedBottom = LastInkRow(shifted->Picture());
    ASSERT_GT(plainBottom, 0);
    EXPECT_GT(shiftedBottom, plainBottom + 4);
    EXPECT_LT(shiftedBottom, 30);
    EXPECT_GE(InkColumns(shifted->Picture(), 0, 3).first, 0);
    // Read out by what the key types without Shift, as before.
    EXPECT_EQ(shifted->accessibleName(), plain->accessibleName());
    EXPECT_EQ(shifted->accessibleName(), "3");
}

TEST(KeyImage, ShapeDecidesWhereTheIconGoes)
{
    CActionDescription description;
    description.ShortName = "ab";
    description.Icon = SolidIcon(16, 16);

    // Square: icon in the top right corner, below the key name's line.
    auto square = MakeKey(0x41, 60, 96);
    square->DrawKey(&description, false);
    const int nameLine = QFontMetrics(square->KeyFont.font).height();
    EXPECT_EQ(square->Picture().pixelColor(58, nameLine - 1), QColor(Qt::white));
    EXPECT_EQ(square->Picture().pixelColor(58, nameLine + 1), iconColor);
    EXPECT_EQ(InkColumns(square->Picture(), 0, nameLine - 1).first, 0);

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
    EXPECT_EQ(wide->Picture().pixelColor(75, nameLine - 1), QColor(Qt::white));
    auto notWide = MakeKey(106, 96, 60);
    notWide->DrawKey(&description, false);
    EXPECT_NEAR(InkCentre(notWide->Picture(), 45, 59), 48, 3);

    // The two-row Enter keeps its style: the short name at the bottom, centred right of the hole
    // its neighbour fills (18 % of the width).
    auto enter = MakeKey(13, 60, 200);
    enter->DrawKey(&description, false);
    EXPECT_EQ(qAlpha(enter->Picture().pixel(1, 198)), 0);
    EXPECT_NEAR(InkCentre(enter->Picture(), 185, 199), 35, 3);
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
    EXPECT_EQ(square->Picture().pixelColor(58, 30), iconColor);

    // Bytes that hold no picture, or one too large to decode, draw no icon.
    description = CActionDescription();
    description.ShortName = "ab";
    description.IconData = std::make_shared<const std::vector<std::uint8_t>>(10, 'x');
    square->DrawKey(&description, false);
    EXPECT_EQ(square->Picture().pixelColor(58, 30), QColor(Qt::white));
    EXPECT_TRUE(DecodeIcon(std::vector<std::uint8_t>(10, 'x')).isNull());
    QBuffer large;
    large.open(QIODevice::WriteOnly);
    QImage(MaxIconSide + 1, 4, QImage::Format_RGB32).save(&large, "BMP");
    EXPECT_TRUE(DecodeIcon({large.data().begin(), large.data().end()}).isNull());
}

TEST(KeyImage, NameTooWideShrinksToTheMinimumThenTakesItsShortForm)
{
    QFont base;
    base.setPixelSize(20);
    EXPECT_EQ(MinimumLegiblePixelSize(base), 14);
    const int fullWidth = QFontMetrics(base).horizontalAdvance("Print Screen");

    const TFittedText roomy = FitKeyName(44, base, fullWidth);
    EXPECT_EQ(roomy.text, "Print Screen");
    EXPECT_EQ(QFontInfo(roomy.font).pixelSize(), 20);

    const TFittedText smaller = FitKeyName(44, base, fullWidth * 9 / 10);
    EXPECT_EQ(smaller.text, "Print Screen");
    EXPECT_LT(QFontInfo(smaller.font).pixelSize(), 20);
    EXPECT_GE(QFontInfo(smaller.font).pixelSize(), ReadableKeyNamePixelSize(base));
    EXPECT_EQ(smaller.font.family(), base.family());

    const TFittedText abbreviated = FitKeyName(44, base, fullWidth / 2);
    EXPECT_EQ(abbreviated.text, "PrtSc");
    EXPECT_LE(QFontMetrics(abbreviated.font).horizontalAdvance("PrtSc"), fullWidth / 2);

    // Rather than tiny, a key's name takes its short form.
    const TFittedText notTiny = FitKeyName(44, base, fullWidth * 3 / 4);
    EXPECT_EQ(notTiny.text, "PrtSc");
    EXPECT_EQ(ReadableKeyNamePixelSize(base), 17);

    // Text with no short form to fall back on is cut short with an ellipsis at the minimum size.
    const TFittedText elided = FitText("A much too long short name", "A much too long short name",
                                       base, MinimumLegiblePixelSize(base), 60);
    EXPECT_TRUE(elided.text.endsWith(QChar(0x2026))) << elided.text.toStdString();
    EXPECT_EQ(QFontInfo(elided.font).pixelSize(), 14);
    EXPECT_LE(QFontMetrics(elided.font).horizontalAdvance(elided.text), 60);

    QFont tiny;
    tiny.setPixelSize(7);
    EXPECT_EQ(MinimumLegiblePixelSize(tiny), 6);
    EXPECT_EQ(ReadableKeyNamePixelSize(tiny), 7) << "never above the base";
    QFont small;
    small.setPixelSize(10);
    EXPECT_EQ(ReadableKeyNamePixelSize(small), 9);
}

TEST(KeyImage, ShortNamesTakeASecondLineBeforeAnEllipsis)
{
    QFont base;
    base.setPixelSize(12);
    const QFontMetrics metrics(base);
    const QString name = "Close the window";
    const int width = metrics.horizontalAdvance("Close the") + 2;

    // At the base size on two lines, broken where the longer line is shortest.
    const TFittedText two = FitShortName(name, base, width, 2);
    EXPECT_EQ(two.text, "Close the\nwindow");
    EXPECT_EQ(QFontInfo(two.font).pixelSize(), 12);
    EXPECT_EQ(two.size, QSize(metrics.horizontalAdvance("Close the"), 2 * metrics.height()));

    // One line allowed: smaller, then cut short.
    const TFittedText one = FitShortName(name, base, width, 1);
    EXPECT_FALSE(one.text.contains('\n'));
    EXPECT_TRUE(one.text.endsWith(QChar(0x2026))) << one.text.toStdString();

    // What fits on one line stays on one; what fits on no two lines is cut on the second.
    EXPECT_EQ(FitShortName("Save", base, width, 2).text, "Save");
    const TFittedText cut = FitShortName("Close every window of the desktop", base, width, 2);
    const QStringList lines = cut.text.split('\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_FALSE(lines[0].endsWith(QChar(0x2026)));
    EXPECT_TRUE(lines[1].endsWith(QChar(0x2026)));
    EXPECT_LE(cut.size.width(), width);
    // A word too long for a line even at the smallest size is broken with a hyphen; with one line
    // it is cut short.
    const int wordWidth = metrics.horizontalAdvance("Refresh-");
    const TFittedText broken = FitShortName("Refreshingly", base, wordWidth, 2);
    EXPECT_EQ(broken.text, "Refresh-\ningly") << broken.text.toStdString();
    EXPECT_EQ(QFontInfo(broken.font).pixelSize(), 12);
    EXPECT_LE(broken.size.width(), wordWidth);
    EXPECT_EQ(FitShortName("Refreshingly", base, wordWidth, 1).text.count('\n'), 0);

    // As drawn on a key with room for two lines and an icon: ink on two lines at the bottom.
    auto key = MakeKey(106, width + 8, 96);
    CActionDescription description;
    description.ShortName = name.toStdString();
    key->DrawKey(&description, false);
    const int lineHeight = QFontMetrics(key->ActionFont.font).height();
    const QImage& picture = key->Picture();
    const int twoLinesUp = picture.height() - 2 * lineHeight;
    EXPECT_GE(InkColumns(picture, twoLinesUp, twoLinesUp + lineHeight - 1).first, 0);
    EXPECT_GE(InkColumns(picture, twoLinesUp + lineHeight, picture.height() - 1).first, 0);

    // A lower key: two lines without an icon, one line when the icon needs the room.
    const int nameLine = QFontMetrics(key->KeyFont.font).height();
    key->resize(width + 8, nameLine + lineHeight * 5 / 2);
    key->DrawKey(&description, false);
    const int upperLine = key->height() - 2 * lineHeight;
    EXPECT_GE(InkColumns(key->Picture(), upperLine, upperLine + lineHeight - 1).first, 0);
    CActionDescription withIcon = description;
    withIcon.Icon = SolidIcon(16, 16);
    key->DrawKey(&withIcon, false);
    EXPECT_EQ(InkColumns(key->Picture(), upperLine, upperLine + lineHeight - 1).first, -1);
}

// What the key's tooltip shows, as text.
QString TipText(const QWidget& key)
{
    QTextDocument shown;
    shown.setHtml(key.toolTip());
    return shown.toPlainText();
}

TEST(KeyImage, TheTooltipTellsTheShortcutInFull)
{
    auto key = MakeKey(0x53, 60, 80);
    CActionDescription save;
    save.ShortName = "Save";
    save.Name = "Save the document under its name";
    key->DrawKey(&save, false);
    EXPECT_EQ(TipText(*key), "Save\nSave the document under its name");
    // Another description with the same look still changes what the key tells.
    CActionDescription other = save;
    other.Name = "Write the file";
    key->DrawKey(&other, false);
    EXPECT_EQ(TipText(*key), "Save\nWrite the file");
    other.Name.clear();
    key->DrawKey(&other, false);
    EXPECT_EQ(TipText(*key), "Save");
    // A pack's texts are shown as written, never rendered as markup.
    other.ShortName = "<b>Save</b>";
    other.Name = "<img src=\"/etc/hostname\"> & more";
    key->DrawKey(&other, false);
    EXPECT_EQ(TipText(*key), "<b>Save</b>\n<img src=\"/etc/hostname\"> & more");
    key->DrawKey(nullptr, false);
    EXPECT_EQ(key->toolTip(), "");
}

// The overlay's key font is 8 points at the screen's dpi and its scale is dpi / 120: 96, 120,
// 144 and 192 dpi.
TEST(KeyImage, EveryShippedKeyIsNamedAndItsNameFitsAtEveryScale)
{
    FakeEnvironment env;
    for (const double scale : {0.8, 1.0, 1.2, 1.6}) {
        QFont base;
        base.setPixelSize(qRound(8 * 120 * scale / 72));
        const int minimum = ReadableKeyNamePixelSize(base);
        const auto layout = CKeyLayoutLoader(env.platform)
                                .LoadKeys(JoinPath(BuildFolder(), "keyimages.xml"), scale);
        ASSERT_GT(layout.size(), 100u);
        for (const KeyGeometry& key : layout) {
            ASSERT_FALSE(GetKeyName(key.code).empty()) << key.code;
            const TFittedText name = FitKeyName(key.code, base, key.rect.width() - KeyNameMargin);
            const QFontMetrics metrics(name.font);
            EXPECT_LE(metrics.horizontalAdvance(name.text), key.rect.width() - KeyNameMargin)
                << name.text.toStdString() << " at " << scale;
            EXPECT_LE(metrics.height(), key.rect.height()) << name.text.toStdString();
            EXPECT_GE(QFontInfo(name.font).pixelSize(), minimum) << name.text.toStdString();
        }

        // As drawn: each key's name is there, within the key, short of its right edge.
        KeyFonts fonts;
        fonts.keyFont.font = base;
        fonts.actionFont.font = base;
        const auto keys = MakeKeys(env.platform, layout, fonts, nullptr, 0.0);
        for (const auto& key : *keys) {
            const QImage& picture = dynamic_cast<TCustomKeyImage*>(key->KeyImage())->Picture();
            const auto [left, right] = InkColumns(picture, 0, picture.height() - 1);
            EXPECT_GE(left, 0) << key->KeyCode << " at " << scale;
            EXPECT_LT(right, picture.width() - 1) << key->KeyCode << " at " << scale;
        }
    }
}

TEST(KeyImage, ShortCutCountIsDrawnInTheTopRightCornerOnly)
{
    auto key = MakeKey(17, 80, 80);
    key->DrawKey(nullptr, false);
    const QImage without = key->Picture();
    key->DrawKey(nullptr, false, 3);
    const QImage with = key->Picture();
    EXPECT_EQ(without.copy(0, 20, 80, 60), with.copy(0, 20, 80, 60));
    EXPECT_EQ(without.copy(0, 0, 40, 20), with.copy(0, 0, 40, 20));
    EXPECT_NE(without.copy(40, 0, 40, 20), with.copy(40, 0, 40, 20));
}

TEST(KeyImage, TheSameLookIsNotPaintedAgain)
{
    auto key = MakeKey(0x53, 60, 80);
    CActionDescription save;
    save.ShortName = "Save";
    save.Icon = SolidIcon(16, 16);
    key->DrawKey(&save, false, 2);
    auto painted = [&key, last = key->Picture().cacheKey()]() mutable {
        const bool changed = key->Picture().cacheKey() != last;
        last = key->Picture().cacheKey();
        return changed;
    };

    // Another description that looks the same: the key shows it without painting.
    const CActionDescription same = save;
    key->DrawKey(&same, false, 2);
    EXPECT_FALSE(painted());
    EXPECT_EQ(key->ActionDescription, &same);

    CActionDescription renamed = save;
    renamed.ShortName = "Store";
    key->DrawKey(&renamed, false, 2);
    EXPECT_TRUE(painted());
    CActionDescription otherIcon = renamed;
    otherIcon.Icon = SolidIcon(16, 16);
    key->DrawKey(&otherIcon, false, 2);
    EXPECT_TRUE(painted());
    key->DrawKey(&otherIcon, true, 2);
    EXPECT_TRUE(painted());
    key->DrawKey(&otherIcon, true, 3);
    EXPECT_TRUE(painted());
    key->KeyFont.font.setPixelSize(14);
    key->DrawKey(&otherIcon, true, 3);
    EXPECT_TRUE(painted());
    key->resize(70, 80);
    key->DrawKey(&otherIcon, true, 3);
    EXPECT_TRUE(painted());
    EXPECT_EQ(key->Picture().width(), qRound(70 * key->devicePixelRatioF()));
    key->DrawKey(&otherIcon, true, 3);
    EXPECT_FALSE(painted());
}

// Run by the keyboard_tests_hidpi test with QT_SCALE_FACTOR=2; skipped at a ratio of 1.
TEST(KeyImageHiDpi, PictureHasTheDevicePixelsOfTheScreen)
{
    auto key = MakeKey(0x41, 60, 80);
    const qreal ratio = key->devicePixelRatioF();
    if (ratio == 1) {
        GTEST_SKIP() << "needs a device pixel ratio above 1 (QT_SCALE_FACTOR=2)";
    }
    key->DrawKey(nullptr, true);
    const QImage& picture = key->Picture();
    EXPECT_EQ(picture.size(), QSize(60, 80) * ratio);
    EXPECT_EQ(picture.devicePixelRatio(), ratio);
    EXPECT_EQ(picture.pixelColor(picture.width() - 1, picture.height() - 1), pressedColor);
    // The key name is drawn at device resolution, not blown up from a logical-size picture:
    // somewhere in it the two device pixels of one logical pixel differ.
    bool finerThanLogicalPixels = false;
    for (int y = 0; y < picture.height() / 4; ++y) {
        for (int x = 0; x + 1 < picture.width(); x += 2) {
            finerThanLogicalPixels |= picture.pixel(x, y) != picture.pixel(x + 1, y);
        }
    }
    EXPECT_TRUE(finerThanLogicalPixels);
}
