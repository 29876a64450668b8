#include "editor/ShortcutDescriptionFrame.h"

#include "database/Registry.h"
#include "database/ShortcutTables.h"
#include "editor/DataControls.h"
#include "editor/FullScreenWindow.h"
#include "editor/IconFile.h"
#include "keyboard/HotKeyEdit.h"
#include "services/Translation.h"
#include "util/MessageBox.h"

#include <QEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QImageReader>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

QString Tr(const char* text)
{
    return QString::fromStdString(Translate(text));
}

// The picture formats this program reads, for the file dialog.
QString PictureFilter()
{
    QStringList patterns{"*.jpg", "*.jpeg"};
    for (const QByteArray& format : QImageReader::supportedImageFormats()) {
        patterns << "*." + QString::fromLatin1(format);
    }
    patterns.removeDuplicates();
    return Tr("Изображения") + " (" + patterns.join(' ') + ");;" + Tr("Все файлы (*)");
}

} // namespace

TShortcutDescriptionFrame::TShortcutDescriptionFrame(platform::Platform& platform,
                                                     CDBRegistry& registry,
                                                     const TCreateHooks& hooks, QWidget* parent)
    : IDescriptionFrame(registry, hooks, registry.GetShortcuts(), parent)
{
    QGroupBox* texts = BuildTextBox();
    QGroupBox* keys = BuildKeyBox(platform);
    QGroupBox* icon = BuildIconBox();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(texts);
    layout->addWidget(keys);
    layout->addWidget(icon);
    layout->addStretch();
    setTabOrder(edtDescription, DBEdit3);
    setTabOrder(DBEdit3, HotKeyEdit);
    setTabOrder(HotKeyEdit, cbIsNormal);
    ConnectControls();
}

QGroupBox* TShortcutDescriptionFrame::BuildTextBox()
{
    auto* texts = new QGroupBox(this);
    edtDescription = new TDBEdit(ds_, "Description", texts);
    edtDescription->setToolTip(
        Tr("Это описание будет отображаться, когда вы нажмете данное сочетание клавиш"));
    edtDescription->OnExit = [this] { NodeTextLeft(*registry_.GetShortcuts()); };
    DBEdit3 = new TDBEdit(ds_, "ShortName", texts);
    DBEdit3->setToolTip(Tr("Это название будет выводится на кнопках"));
    auto* textLayout = new QFormLayout(texts);
    textLayout->addRow(Tr("Описание:"), edtDescription);
    textLayout->addRow(Tr("Краткое название:"), DBEdit3);
    return texts;
}

QGroupBox* TShortcutDescriptionFrame::BuildKeyBox(platform::Platform& platform)
{
    auto* pHotKey = new QGroupBox(Tr("Сочетание клавиш"), this);
    HotKeyEdit = new TDBHotKeyEdit(platform, pHotKey);
    HotKeyEdit->DataField = "KeyCodes";
    HotKeyEdit->SetDataSource(&ds_);
    // The tree shows the keys before the description: leaving them changed renames the node.
    HotKeyEdit->installEventFilter(this);
    btnAdd = new QPushButton(Tr("Добавить..."), pHotKey);
    btnAdd->setFocusPolicy(Qt::ClickFocus);
    Button1 = new QPushButton(Tr("Очистить"), pHotKey);
    Button1->setFocusPolicy(Qt::ClickFocus);
    cbIsNormal = new TDBCheckBox(ds_, "IsNormal", Tr("Приложение должно быть активно"), pHotKey);
    cbIsNormal->setToolTip(Tr("Если флажок установлен, то сочетание клавиш будет показываться "
                              "только если обрабатывающее его приложение активно."));
    auto* keyRow = new QHBoxLayout;
    keyRow->addWidget(HotKeyEdit, 1);
    keyRow->addWidget(btnAdd);
    keyRow->addWidget(Button1);
    auto* keyLayout = new QVBoxLayout(pHotKey);
    keyLayout->addLayout(keyRow);
    keyLayout->addWidget(cbIsNormal);
    KeyList = new TKeyList(this);
    KeyList->OnKeySelect = [this](std::uint16_t code) { KeySelected(code); };
    return pHotKey;
}

QGroupBox* TShortcutDescriptionFrame::BuildIconBox()
{
    auto* iconBox = new QGroupBox(Tr("Иконка"), this);
    dbiIcon = new TDBImage(ds_, "Icon", iconBox);
    dbiIcon->setFixedHeight(48);
    dbiIcon->setToolTip(Tr("Эта иконка будет отображаться на кнопке"));
    btnScreenShot = new QPushButton(
        QIcon::fromTheme("applets-screenshooter", style()->standardIcon(QStyle::SP_DesktopIcon)),
        Tr("Скопировать иконку с экрана..."), iconBox);
    btnScreenShot->installEventFilter(this);
    btnLoadImage = new QPushButton(
        QIcon::fromTheme("document-open", style()->standardIcon(QStyle::SP_DialogOpenButton)),
        Tr("Загрузить из файла..."), iconBox);
    Button2 = new QPushButton(Tr("Очистить"), iconBox);
    auto* iconButtons = new QHBoxLayout;
    iconButtons->addWidget(btnScreenShot);
    iconButtons->addWidget(btnLoadImage);
    iconButtons->addWidget(Button2);
    iconButtons->addStretch();
    auto* iconLayout = new QVBoxLayout(iconBox);
    iconLayout->addWidget(dbiIcon);
    iconLayout->addLayout(iconButtons);
    return iconBox;
}

void TShortcutDescriptionFrame::ConnectControls()
{
    ChoosePicture = [this](const QString& title) -> std::optional<std::string> {
        const QString path = QFileDialog::getOpenFileName(this, title, {}, PictureFilter());
        if (path.isEmpty()) {
            return std::nullopt;
        }
        return path.toStdString();
    };
    SelectRegion = [this](const QImage& snapshot) -> std::optional<QImage> {
        TFullScreenWindow window(this);
        window.Source = &snapshot;
        if (!window.Execute()) {
            return std::nullopt;
        }
        return window.GetSelection();
    };
    connect(btnAdd, &QPushButton::clicked, this, [this] { PopupBelow(KeyList, btnAdd); });
    connect(Button1, &QPushButton::clicked, this, [this] { HotKeyEdit->Clear(); });
    connect(btnLoadImage, &QPushButton::clicked, this, [this] { btnLoadImageClick(); });
    connect(btnScreenShot, &QPushButton::clicked, this, [this] { btnScreenShotClick(); });
    connect(Button2, &QPushButton::clicked, this, [this] {
        DataSet& shortcuts = *registry_.GetShortcuts();
        shortcuts.Edit();
        shortcuts.FieldByName("Icon").Clear();
    });
}

TShortcutDescriptionFrame::~TShortcutDescriptionFrame() = default;

void TShortcutDescriptionFrame::ShowFrame()
{
    const int programId = registry_.GetShortcuts()->FieldByName("ProgramId").AsInteger();
    cbIsNormal->setVisible(programId != CShortcutTables::SuperglobalId);
    show();
}

void TShortcutDescriptionFrame::HideFrame()
{
    hide();
}

void TShortcutDescriptionFrame::SetFocus()
{
    edtDescription->setFocus();
}

void TShortcutDescriptionFrame::KeySelected(std::uint16_t code)
{
    if (code != 0) {
        HotKeyEdit->AddKey(code);
    } else {
        HotKeyEdit->setFocus();
    }
}

QString TShortcutDescriptionFrame::IconDialogTitle() const
{
    QString title = Tr("Выберите иконку для сочетания клавиш");
    const std::string description = registry_.GetShortcuts()->FieldByName("Description").AsString();
    if (!description.empty()) {
        title += " \"" + QString::fromStdString(description) + "\"";
    }
    return title;
}

void TShortcutDescriptionFrame::StorePicture(const std::function<void()>& store)
{
    try {
        store();
    } catch (const InvalidPicture&) {
        MessageBoxOptions options;
        options.SetType(MessageType::Error);
        ShowMessageBox(Translate("Не удается загрузить изображение. Неправильный формат файла."),
                       options);
    }
}

void TShortcutDescriptionFrame::btnLoadImageClick()
{
    const std::optional<std::string> path = ChoosePicture(IconDialogTitle());
    if (!path) {
        return;
    }
    StorePicture([&] { LoadIconFromFile(*path, registry_.GetShortcuts()->FieldByName("Icon")); });
}

bool TShortcutDescriptionFrame::eventFilter(QObject* watched, QEvent* event)
{
    // The snapshot is taken before the click, while the screen still shows what the user pointed
    // at.
    if (watched == btnScreenShot && event->type() == QEvent::Enter) {
        ScreenShot.Take();
    }
    if (watched == HotKeyEdit && event->type() == QEvent::FocusOut) {
        NodeTextLeft(*registry_.GetShortcuts());
    }
    return IDescriptionFrame::eventFilter(watched, event);
}

void TShortcutDescriptionFrame::btnScreenShotClick()
{
    // Pressed from the keyboard, the button was never pointed at just before: the screen is
    // taken now.
    if (ScreenShot.Bitmap.isNull() || !btnScreenShot->underMouse()) {
        ScreenShot.Take();
    }
    const std::optional<QImage> region = SelectRegion(ScreenShot.Bitmap);
    if (!region) {
        return;
    }
    StorePicture([&] { StoreBitmap(*region, registry_.GetShortcuts()->FieldByName("Icon")); });
}
