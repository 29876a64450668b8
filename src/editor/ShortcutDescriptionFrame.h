#pragma once

#include "editor/DescriptionFrame.h"
#include "editor/ScreenShot.h"
#include "platform/Platform.h"

#include <optional>
#include <string>

class QGroupBox;
class QPushButton;
class TDBCheckBox;
class TDBEdit;
class TDBHotKeyEdit;
class TDBImage;
class TKeyList;

// A shortcut: its description, short name, keys, whether its program must be active, and the icon
// drawn on its key.
class TShortcutDescriptionFrame : public IDescriptionFrame
{
    Q_OBJECT
public:
    TShortcutDescriptionFrame(platform::Platform& platform, CDBRegistry& registry,
                              const TCreateHooks& hooks, QWidget* parent);
    ~TShortcutDescriptionFrame() override;

    void ShowFrame() override;
    void HideFrame() override;
    void SetFocus() override;

    // The title of the picture-file dialog: the prompt, and the description in quotes.
    QString IconDialogTitle() const;
    void btnLoadImageClick();
    void btnScreenShotClick();
    void KeySelected(std::uint16_t code);

    // Asks the user for a picture file; empty when cancelled. Tests replace it.
    std::function<std::optional<std::string>(const QString& title)> ChoosePicture;
    // Lets the user select a region of the snapshot; empty when cancelled. Tests replace it.
    std::function<std::optional<QImage>(const QImage& snapshot)> SelectRegion;

    TDBEdit* edtDescription;
    TDBEdit* DBEdit3;
    TDBHotKeyEdit* HotKeyEdit;
    QPushButton* btnAdd;
    QPushButton* Button1;
    TDBCheckBox* cbIsNormal;
    TDBImage* dbiIcon;
    QPushButton* btnScreenShot;
    QPushButton* btnLoadImage;
    QPushButton* Button2;
    TKeyList* KeyList;
    CScreenShot ScreenShot;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The description and short name; the keys with their buttons; the icon with its buttons.
    QGroupBox* BuildTextBox();
    QGroupBox* BuildKeyBox(platform::Platform& platform);
    QGroupBox* BuildIconBox();
    void ConnectControls();
    void StorePicture(const std::function<void()>& store);
};
