#include "shell/OverlaySurface.h"

#include "FakePlatform.h"
#include "platform/VirtualKeys.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

namespace {

using Pointer = platform::Platform::OverlayPointer;

// A key of the overlay: filled with its colour, recording the presses and releases it gets.
class Patch : public QWidget
{
public:
    explicit Patch(QWidget* parent) : QWidget(parent)
    {
        setAutoFillBackground(true);
        SetColour(Qt::white);
    }
    void SetColour(const QColor& colour)
    {
        QPalette palette;
        palette.setColor(QPalette::Window, colour);
        setPalette(palette);
    }
    struct Click
    {
        QEvent::Type type;
        QPoint place;
        Qt::MouseButton button;
    };
    std::vector<Click> clicks;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        clicks.push_back({event->type(), event->position().toPoint(), event->button()});
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        clicks.push_back({event->type(), event->position().toPoint(), event->button()});
    }
};

struct OverlaySurfaceTest : ::testing::Test
{
    OverlaySurfaceTest()
    {
        platform.hasOverlaySurface = true;
        overlay.setFixedSize(400, 200);
        QPalette silver;
        silver.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
        overlay.setPalette(silver);
        overlay.setAutoFillBackground(true);
        key->setGeometry(100, 50, 40, 40);
    }
    // The overlay shown and its pictures presented; the last one, empty when there is none.
    platform::FakePlatform::PresentedOverlay Shown()
    {
        overlay.show();
        QApplication::processEvents();
        EXPECT_FALSE(platform.presentedOverlays.empty());
        return platform.presentedOverlays.empty() ? platform::FakePlatform::PresentedOverlay{}
                                                  : platform.presentedOverlays.back();
    }

    platform::FakePlatform platform;
    QWidget overlay;
    Patch* key = new Patch(&overlay);
    COverlaySurface surface{platform, overlay};
};

// The window never maps; what it shows reaches the surface, each change again.
TEST_F(OverlaySurfaceTest, ChangesArePresentedAndHidingHidesTheSurface)
{
    const auto first = Shown();
    EXPECT_TRUE(overlay.testAttribute(Qt::WA_DontShowOnScreen));
    ASSERT_EQ(first.width, 400 * first.scale);
    ASSERT_EQ(first.height, 200 * first.scale);
    EXPECT_EQ(first.At(10, 10), 0xC0C0C0u);
    EXPECT_EQ(first.At(120 * first.scale, 70 * first.scale), 0xFFFFFFu);

    const std::size_t before = platform.presentedOverlays.size();
    key->SetColour(QColor(0xA6, 0xCA, 0xF0));
    QApplication::processEvents();
    ASSERT_GT(platform.presentedOverlays.size(), before) << "a change is presented";
    const auto pressed = platform.presentedOverlays.back();
    EXPECT_EQ(pressed.At(120 * pressed.scale, 70 * pressed.scale), 0xA6CAF0u);

    overlay.hide();
    EXPECT_EQ(platform.overlayHides, 1);
    const std::size_t hidden = platform.presentedOverlays.size();
    key->SetColour(Qt::white);
    QApplication::processEvents();
    EXPECT_EQ(platform.presentedOverlays.size(), hidden) << "nothing is presented while hidden";

    // The surface lost the keyboard: the overlay goes.
    Shown();
    ASSERT_TRUE(platform.overlayGone);
    platform.overlayGone();
    EXPECT_FALSE(overlay.isVisible());
    EXPECT_EQ(platform.overlayHides, 2);
}

// A press goes to the widget under it, its release to the same widget wherever the pointer is
// then, in that widget's coordinates; moves and presses outside every child reach no key.
TEST_F(OverlaySurfaceTest, PointerInputGoesToTheWidgetPressed)
{
    Shown();
    ASSERT_TRUE(platform.overlayPointer);
    platform.overlayPointer({Pointer::Kind::Move, 110, 60});
    platform.overlayPointer({Pointer::Kind::Press, 110, 60, vk::LButton});
    platform.overlayPointer({Pointer::Kind::Release, 115, 65, vk::LButton});
    platform.overlayPointer({Pointer::Kind::Press, 120, 70, vk::RButton});
    platform.overlayPointer({Pointer::Kind::Leave, 300, 150});
    platform.overlayPointer({Pointer::Kind::Release, 300, 150, vk::RButton});
    platform.overlayPointer({Pointer::Kind::Press, 10, 10, vk::LButton});
    platform.overlayPointer({Pointer::Kind::Release, 110, 60, vk::LButton});

    ASSERT_EQ(key->clicks.size(), 4u);
    EXPECT_EQ(key->clicks[0].type, QEvent::MouseButtonPress);
    EXPECT_EQ(key->clicks[0].place, QPoint(10, 10));
    EXPECT_EQ(key->clicks[0].button, Qt::LeftButton);
    EXPECT_EQ(key->clicks[1].type, QEvent::MouseButtonRelease);
    EXPECT_EQ(key->clicks[1].place, QPoint(15, 15));
    EXPECT_EQ(key->clicks[2].button, Qt::RightButton);
    EXPECT_EQ(key->clicks[3].type, QEvent::MouseButtonRelease);
    EXPECT_EQ(key->clicks[3].place, QPoint(200, 100)) << "released off the key: no click there";
}

// A description lies beside the place clicked, inside the overlay even at its edge, and goes at
// the next press and when the overlay hides.
TEST_F(OverlaySurfaceTest, DescriptionStaysInsideAndGoes)
{
    Shown();
    surface.ShowDescription(overlay.mapToGlobal(QPoint(120, 70)), QStringLiteral("Save <b>"));
    auto* description = overlay.findChild<QLabel*>(QStringLiteral("Description"));
    ASSERT_NE(description, nullptr);
    EXPECT_TRUE(description->isVisible());
    EXPECT_EQ(description->text(), QStringLiteral("Save <b>"));
    EXPECT_EQ(description->textFormat(), Qt::PlainText);
    EXPECT_GT(description->x(), 120);
    EXPECT_GT(description->y(), 70);

    surface.ShowDescription(overlay.mapToGlobal(QPoint(399, 199)),
                            QStringLiteral("A long description that needs a few lines"));
    EXPECT_TRUE(overlay.rect().contains(description->geometry())) << "kept inside the overlay";
    QApplication::processEvents();
    const auto shown = platform.presentedOverlays.back();
    const QPoint inside = description->geometry().center() * shown.scale;
    EXPECT_NE(shown.At(inside.x(), inside.y()), 0xC0C0C0u) << "drawn on the surface";

    platform.overlayPointer({Pointer::Kind::Press, 10, 10, vk::LButton});
    EXPECT_FALSE(description->isVisible());
    surface.ShowDescription(overlay.mapToGlobal(QPoint(120, 70)), QStringLiteral("Save"));
    overlay.hide();
    EXPECT_FALSE(description->isVisible());
}

// The pointer resting on a widget with a tooltip shows it inside the overlay, as text even where
// it is markup; moving off the widget, leaving the overlay or pressing puts it away.
TEST_F(OverlaySurfaceTest, RestingOnAKeyShowsItsTooltip)
{
    Shown();
    key->setToolTip(Qt::convertFromPlainText(QStringLiteral("Save <b>\nWrite the file")));
    platform.overlayPointer({Pointer::Kind::Move, 110, 60});
    QLabel* description = nullptr;
    const auto shown = [&] {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        description = overlay.findChild<QLabel*>(QStringLiteral("Description"));
        return description && description->isVisible();
    };
    QElapsedTimer waited;
    waited.start();
    while (!shown() && waited.elapsed() < 3000) {
    }
    ASSERT_TRUE(shown()) << "the tooltip shows once the pointer has rested";
    EXPECT_EQ(description->text(), QStringLiteral("Save <b>\nWrite the file"));

    platform.overlayPointer({Pointer::Kind::Move, 115, 62});
    EXPECT_TRUE(description->isVisible()) << "moving on the same key keeps it";
    platform.overlayPointer({Pointer::Kind::Move, 300, 150});
    EXPECT_FALSE(description->isVisible());
    platform.overlayPointer({Pointer::Kind::Move, 110, 60});
    while (!shown() && waited.elapsed() < 6000) {
    }
    ASSERT_TRUE(description->isVisible());
    platform.overlayPointer({Pointer::Kind::Leave, 110, 60});
    EXPECT_FALSE(description->isVisible());
}

} // namespace
