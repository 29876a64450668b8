#include "keys/Cvswindow.h"

#include "framework/Exception.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

class CvsWindowTest : public ::testing::Test
{
protected:
    CvsWindowTest() : image(10, 10, QImage::Format_ARGB32), canvas(&image), window(canvas) {}

    void SetRect(int left, int top, int right, int bottom)
    {
        window.Rect = TRect{left, top, right, bottom};
    }
    void ExpectRect(int left, int top, int right, int bottom)
    {
        EXPECT_EQ(window.Rect.left, left);
        EXPECT_EQ(window.Rect.top, top);
        EXPECT_EQ(window.Rect.right, right);
        EXPECT_EQ(window.Rect.bottom, bottom);
    }

    QImage image;
    QPainter canvas;
    CCvsWindow window;
};

} // namespace

TEST_F(CvsWindowTest, ScalingKeepsTheAspectRatioAndTruncates)
{
    SetRect(5, 7, 8, 9); // 3 x 2
    window.SetWidth(10);
    ExpectRect(5, 7, 15, 13); // 10 * 2/3 + 7 = 13.67

    SetRect(-4, 0, 12, 16);
    window.SetHeight(10);
    ExpectRect(-4, 0, 6, 10);

    SetRect(0, 0, 16, 8);
    window.Proportional = false;
    window.SetWidth(4);
    window.SetHeight(3);
    ExpectRect(0, 0, 4, 3);
}

TEST_F(CvsWindowTest, ScalingAnEmptyRectangleHasNoRatioToKeep)
{
    window.SetHeight(12);
    ExpectRect(0, 0, 0, 12);
    SetRect(0, 0, 0, 5);
    window.SetWidth(20);
    ExpectRect(0, 0, 20, 5);
}

TEST_F(CvsWindowTest, AlignPlacesOnEachAxis)
{
    const TRect outer{10, 20, 35, 60}; // 25 x 40
    window.SetSize(10, 6);
    window.Align(outer, alLeft, alBottom);
    ExpectRect(10, 54, 20, 60);
    window.Align(outer, alTop, alRight);
    ExpectRect(25, 20, 35, 26);
    window.Align(outer, alCentre, alBottom);
    ExpectRect(17, 54, 27, 60); // (25 - 10) / 2 = 7
    window.Align(outer, alCentre, alRight);
    ExpectRect(25, 37, 35, 43);
    window.Align(outer, alCentre, alCentre);
    ExpectRect(17, 37, 27, 43);
    window.Align(outer, alLeft, alNone);
    ExpectRect(10, 37, 20, 43);

    // Wider than the outer rectangle: the halved difference is truncated toward zero.
    window.SetSize(40, 6);
    window.Align(outer, alCentre, alTop);
    ExpectRect(3, 20, 43, 26); // (25 - 40) / 2 = -7
}

TEST_F(CvsWindowTest, AlignRefusesTwoValuesOfOneAxis)
{
    const TRect outer{0, 0, 10, 10};
    for (auto [align1, align2] :
         {std::pair{alLeft, alRight}, {alRight, alRight}, {alTop, alBottom}, {alNone, alNone}}) {
        EXPECT_THROW(window.Align(outer, align1, align2), Exception) << align1 << align2;
    }
    EXPECT_THROW(window.Align(outer, 6, alTop), Exception);
    EXPECT_THROW(window.Align(outer, alLeft, -1), Exception);
    try {
        window.Align(outer, alLeft, alRight);
    } catch (const Exception& error) {
        EXPECT_STREQ(
            error.what(),
            "Неправильные значения параметров Align1 и Align2 в функции CCvsWindow::Align.");
    }
}

TEST_F(CvsWindowTest, PlaceAgainstEachSide)
{
    CCvsWindow other(canvas);
    other.Rect = TRect{100, 200, 150, 230};
    window.SetSize(10, 6);
    window.Place(other, alLeft);
    EXPECT_EQ(window.Rect.right, 100);
    EXPECT_EQ(window.Rect.left, 90);
    window.Place(other, alRight);
    EXPECT_EQ(window.Rect.left, 150);
    EXPECT_EQ(window.Rect.right, 160);
    window.Place(other, alTop);
    EXPECT_EQ(window.Rect.bottom, 200);
    EXPECT_EQ(window.Rect.top, 194);
    window.Place(other, alBottom);
    EXPECT_EQ(window.Rect.top, 230);
    EXPECT_EQ(window.Rect.bottom, 236);
    EXPECT_EQ(window.Width(), 10);

    EXPECT_THROW(window.Place(other, 7), Exception);
    EXPECT_THROW(window.Place(other, alCentre), Exception);
    try {
        window.Place(other, 7);
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(),
                     "Недопустимое значение парметра Side в методе CCvsWindow::Place.");
    }
}
