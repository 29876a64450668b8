#include "keyboard/Key.h"

#include "FakeEnvironment.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

using Release = std::pair<std::uint16_t, std::uint16_t>;

// Records the draws a key asks for.
class RecordingImage : public IKeyImage
{
public:
    void DrawKey(const CActionDescription* description, bool pressed,
                 int shortCutCount = 0) override
    {
        ++draws;
        lastDescription = description;
        lastPressed = pressed;
        lastCount = shortCutCount;
    }
    int draws = 0;
    const CActionDescription* lastDescription = nullptr;
    bool lastPressed = false;
    int lastCount = 0;
};

class KeyModelTest : public ::testing::Test
{
protected:
    // A key whose image records its draws; the image is owned by the key.
    std::unique_ptr<CKey> MakeKey(std::uint16_t code, std::uint16_t additionalCode = 0)
    {
        auto key = std::make_unique<CKey>();
        key->KeyCode = code;
        key->AdditionalKeyCode = additionalCode;
        key->ReleaseDelay = delay;
        key->SetKeyImage(new RecordingImage);
        key->OnRelease = [this](std::uint16_t a, std::uint16_t b) { releases.emplace_back(a, b); };
        return key;
    }
    static RecordingImage& ImageOf(const CKey& key)
    {
        return static_cast<RecordingImage&>(*key.KeyImage());
    }
    void Hold(std::uint16_t code, bool down) { held.Set(code, down); }

    FakeEnvironment env;
    // The keys held on the keyboard.
    CHeldKeys held;
    // The release delay of the keys made next.
    double delay = 0.3;
    std::vector<Release> releases;
};

} // namespace

TEST_F(KeyModelTest, StaleEventsChangeNothing)
{
    auto key = MakeKey(0x41);
    const int draws = ImageOf(*key).draws;
    key->KeyDown(0x41, held); // the physical key is not held
    EXPECT_FALSE(key->Pressed());
    Hold(0x42, true);
    key->KeyDown(0x42, held); // not this key
    EXPECT_FALSE(key->Pressed());
    EXPECT_EQ(ImageOf(*key).draws, draws);

    Hold(0x41, true);
    key->KeyDown(0x41, held);
    EXPECT_TRUE(key->Pressed());
    key->KeyUp(0x41, held); // still held
    EXPECT_TRUE(key->Pressed());
    EXPECT_TRUE(releases.empty());
}

TEST_F(KeyModelTest, WithoutDelayTheKeyIsReleasedWithinTheCall)
{
    delay = 0;
    auto key = MakeKey(0x41);
    Hold(0x41, true);
    key->KeyDown(0x41, held);
    EXPECT_TRUE(ImageOf(*key).lastPressed);
    Hold(0x41, false);
    key->KeyUp(0x41, held);
    EXPECT_FALSE(key->Pressed());
    EXPECT_FALSE(ImageOf(*key).lastPressed);
    EXPECT_EQ(releases, (std::vector<Release>{{0x41, 0}}));
}

TEST_F(KeyModelTest, DelayBelowOneMillisecondReleasesAtOnce)
{
    delay = 0.0004;
    auto key = MakeKey(0x41);
    key->SetPressed(true);
    key->KeyUp(0x41, held);
    EXPECT_FALSE(key->Pressed());
    EXPECT_EQ(releases.size(), 1u);
}

TEST_F(KeyModelTest, DelayedReleaseAndItsCancellation)
{
    delay = 0.3;
    auto key = MakeKey(0x41);
    Hold(0x41, true);
    key->KeyDown(0x41, held);
    Hold(0x41, false);
    key->KeyUp(0x41, held);
    env.timers.Advance(299);
    EXPECT_TRUE(key->Pressed());
    EXPECT_TRUE(releases.empty());
    env.timers.Advance(1);
    EXPECT_FALSE(key->Pressed());
    EXPECT_EQ(releases.size(), 1u);

    // Pressed again while the release is pending: the release is cancelled.
    Hold(0x41, true);
    key->KeyDown(0x41, held);
    Hold(0x41, false);
    key->KeyUp(0x41, held);
    env.timers.Advance(200);
    Hold(0x41, true);
    key->KeyDown(0x41, held);
    env.timers.Advance(1000);
    EXPECT_TRUE(key->Pressed());
    EXPECT_EQ(releases.size(), 1u);

    // StopReleaseTimer leaves a pending key pressed.
    Hold(0x41, false);
    key->KeyUp(0x41, held);
    key->StopReleaseTimer();
    env.timers.Advance(1000);
    EXPECT_TRUE(key->Pressed());
}

TEST_F(KeyModelTest, RedrawsOnlyOnChange)
{
    auto key = MakeKey(0x41);
    RecordingImage& image = ImageOf(*key);
    EXPECT_EQ(image.draws, 1); // attaching the image draws it

    CActionDescription save;
    key->SetActionDescription(&save);
    key->SetActionDescription(&save);
    EXPECT_EQ(image.draws, 2);
    EXPECT_EQ(image.lastDescription, &save);
    key->SetPressed(false);
    EXPECT_EQ(image.draws, 2);
    key->SetPressed(true);
    key->SetPressed(true);
    EXPECT_EQ(image.draws, 3);
    key->SetKeyImage(key->KeyImage());
    EXPECT_EQ(image.draws, 3);
    // A new shortcut and count together are drawn once.
    CActionDescription open;
    key->SetAction(&open, 2);
    key->SetAction(&open, 2);
    EXPECT_EQ(image.draws, 4);
    EXPECT_EQ(image.lastDescription, &open);
    EXPECT_EQ(image.lastCount, 2);
    EXPECT_TRUE(image.lastPressed);
    key->SetAction(&open, 3);
    EXPECT_EQ(image.draws, 5);
    key->Draw();
    EXPECT_EQ(image.draws, 6);
}

TEST_F(KeyModelTest, KeyWithoutImageKeepsItsState)
{
    CKey bare;
    CActionDescription save;
    bare.SetPressed(true);
    bare.SetActionDescription(&save);
    bare.Draw();
    EXPECT_TRUE(bare.Pressed());
    EXPECT_EQ(bare.ActionDescription(), &save);
    EXPECT_EQ(bare.KeyImage(), nullptr);
}

TEST_F(KeyModelTest, TwoShiftKeysFollowTheirOwnSide)
{
    delay = 0;
    CKeys keys;
    std::vector<Release> forwarded;
    keys.OnKeyRelease = [&](std::uint16_t a, std::uint16_t b) { forwarded.emplace_back(a, b); };
    keys.Add(MakeKey(16, 160));
    keys.Add(MakeKey(16, 161));
    keys.Add(MakeKey(0x41));
    CKey& left = *keys.front();
    CKey& right = **std::next(keys.begin());

    Hold(160, true);
    Hold(16, true);
    keys.KeyDown(16, held);
    EXPECT_TRUE(left.Pressed());
    EXPECT_FALSE(right.Pressed());
    EXPECT_EQ(keys.GetPressedKeyCodes(), CKeyCodes{16});
    EXPECT_EQ(keys.FindKeys(16), (std::vector<CKey*>{&left, &right}));

    CActionDescription select;
    keys.SetActionDescription(16, &select);
    EXPECT_EQ(left.ActionDescription(), &select);
    EXPECT_EQ(right.ActionDescription(), &select);
    EXPECT_EQ(keys.back()->ActionDescription(), nullptr);

    Hold(160, false);
    Hold(16, false);
    keys.KeyUp(16, held);
    EXPECT_FALSE(left.Pressed());
    ASSERT_FALSE(forwarded.empty());
    EXPECT_EQ(forwarded.front(), (Release{16, 160}));
    EXPECT_TRUE(keys.GetPressedKeyCodes().empty());

    keys.ClearActionDescriptions();
    EXPECT_EQ(left.ActionDescription(), nullptr);
}

TEST_F(KeyModelTest, RealPressedAndReleaseAll)
{
    delay = 0.3;
    CKeys keys;
    keys.Add(MakeKey(17, 162));
    keys.Add(MakeKey(0x53));
    for (std::uint16_t code : {162, 17, 0x53}) {
        Hold(code, true);
    }
    keys.KeyDown(17, held);
    keys.KeyDown(0x53, held);
    Hold(0x53, false);
    keys.KeyUp(0x53, held); // drawn pressed for a while, no longer held
    EXPECT_EQ(keys.GetPressedKeyCodes(), (CKeyCodes{17, 0x53}));
    EXPECT_EQ(keys.GetRealPressedKeyCodes(held), CKeyCodes{17});

    keys.StopReleaseTimers();
    keys.ReleaseAll();
    env.timers.Advance(1000);
    EXPECT_TRUE(keys.GetPressedKeyCodes().empty());
    EXPECT_TRUE(releases.empty());
}

TEST_F(KeyModelTest, KeyOwnsItsImage)
{
    QWidget window;
    auto key = std::make_unique<CKey>();
    auto* image = new RecordingImage;
    image->setParent(&window);
    key->SetKeyImage(image);
    EXPECT_EQ(window.findChildren<IKeyImage*>().size(), 1);
    key.reset();
    EXPECT_TRUE(window.findChildren<IKeyImage*>().isEmpty());

    // The window going first takes the image with it; the key then has nothing to destroy.
    auto survivor = std::make_unique<CKey>();
    {
        QWidget shortLived;
        auto* child = new RecordingImage;
        child->setParent(&shortLived);
        survivor->SetKeyImage(child);
    }
    EXPECT_EQ(survivor->KeyImage(), nullptr);
    survivor->SetPressed(true);
    EXPECT_TRUE(survivor->Pressed());
}

TEST_F(KeyModelTest, MadeKeysLieOnTheWindowWithFoldedCodesFontsAndDelay)
{
    QWidget window;
    KeyFonts fonts;
    fonts.keyFont.font.setPixelSize(11);
    fonts.keyFont.color = Qt::darkBlue;
    fonts.actionFont.font.setPixelSize(13);
    const std::vector<KeyGeometry> layout{
        {161, QRect(10, 20, 30, 40)}, {65, QRect(50, 20, 30, 40)}, {91, QRect(90, 20, 30, 40)}};
    const auto keys = MakeKeys(env.platform, layout, fonts, &window, 0.0);
    ASSERT_EQ(keys->size(), 3u);
    std::vector<std::pair<int, int>> codes;
    for (const auto& key : *keys) {
        codes.emplace_back(key->KeyCode, key->AdditionalKeyCode);
        const auto& image = dynamic_cast<const TKeyImage&>(*key->KeyImage());
        EXPECT_EQ(image.KeyCode, key->KeyCode);
        EXPECT_EQ(image.parentWidget(), &window);
        EXPECT_TRUE(image.isVisibleTo(&window));
        EXPECT_EQ(image.KeyFont.color, QColor(Qt::darkBlue));
        EXPECT_EQ(image.ActionFont.font.pixelSize(), 13);
    }
    EXPECT_EQ(codes, (std::vector<std::pair<int, int>>{{16, 161}, {65, 0}, {347, 91}}));
    const auto& shift = dynamic_cast<const TKeyImage&>(*keys->front()->KeyImage());
    EXPECT_EQ(shift.geometry(), QRect(10, 20, 30, 40));
    EXPECT_EQ(shift.Picture().size(), QSize(30, 40)); // drawn when attached, at its size

    // No release delay: a released key is drawn released within the call.
    Hold(65, true);
    keys->KeyDown(65, held);
    Hold(65, false);
    keys->KeyUp(65, held);
    EXPECT_TRUE(keys->GetPressedKeyCodes().empty());

    keys->front()->ReleaseNow();
    std::vector<std::pair<int, int>> released;
    keys->OnKeyRelease = [&](std::uint16_t a, std::uint16_t b) { released.emplace_back(a, b); };
    keys->front()->ReleaseNow();
    EXPECT_EQ(released, (std::vector<std::pair<int, int>>{{16, 161}}));
}

TEST_F(KeyModelTest, MadeKeysTakeTheCodeTheLayoutGivesTheKeyAtEachPlace)
{
    // A German layout: Z lies where a US keyboard has Y, and the reverse.
    env.platform.keyPositions = {{'Y', 'Z'}, {'Z', 'Y'}, {0xBF, 0}};
    const std::vector<KeyGeometry> layout{{'Y', QRect(10, 20, 30, 40)},
                                          {'Z', QRect(50, 20, 30, 40)},
                                          {0xBF, QRect(90, 20, 30, 40)},
                                          {160, QRect(130, 20, 30, 40)}};
    const auto keys = MakeKeys(env.platform, layout, KeyFonts(), nullptr, 0.0);
    std::vector<std::pair<int, QRect>> made;
    for (const auto& key : *keys) {
        made.emplace_back(key->KeyCode, key->KeyImage()->geometry());
    }
    // A place whose key the layout does not have is left empty.
    EXPECT_EQ(made, (std::vector<std::pair<int, QRect>>{{'Z', QRect(10, 20, 30, 40)},
                                                        {'Y', QRect(50, 20, 30, 40)},
                                                        {16, QRect(130, 20, 30, 40)}}));
}
