#include "editor/ProgramDescriptionFrame.h"

#include "database/Registry.h"
#include "editor/DataControls.h"
#include "editor/SelectProgramDialog.h"
#include "services/Translation.h"

#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString Tr(const char* text)
{
    return QString::fromStdString(Translate(text));
}

} // namespace

TProgramDescriptionFrame::TProgramDescriptionFrame(platform::Platform& platform,
                                                   CDBRegistry& registry, const TCreateHooks& hooks,
                                                   const CActiveWindow& activeWindow,
                                                   QWidget* parent)
    : IDescriptionFrame(registry, hooks, registry.GetPrograms(), parent),
      selectDialog_(new TSelectProgramDialog(platform, activeWindow, this))
{
    dbName = new TDBEdit(ds_, "Name", this);
    dbName->setToolTip(Tr("Под этим именем приложение будет отображаться в списке приложений."));
    dbName->OnExit = [this] { NodeTextLeft(*registry_.GetPrograms()); };
    DBEdit3 = new TDBEdit(ds_, "FileName", this);
    DBEdit3->setReadOnly(true);
    DBEdit3->setBackgroundRole(QPalette::Window);
    dbWindowClasses = new TDBEdit(ds_, "WindowClasses", this);
    dbWindowClasses->setToolTip(
        Tr("Классы окон приложения (WM_CLASS) или его идентификаторы приложения через точку с "
           "запятой. По ним узнаются приложения, запущенные одной программой, например "
           "интерпретатором python3 или soffice.bin."));
    dbDesktopId = new TDBEdit(ds_, "DesktopId", this);
    dbDesktopId->setToolTip(
        Tr("Идентификатор ярлыка приложения (файла .desktop), например org.gnome.Meld.desktop."));
    Button1 = new QPushButton(Tr("Выбрать приложение..."), this);
    Button2 = new QPushButton(Tr("Создать сочетание клавиш..."), this);
    Button2->setToolTip(Tr("Создать сочетание клавиш для этого приложения"));
    // Below the shortcut button, and after it for the keyboard.
    dbLiveReadingOff = new TDBCheckBox(
        ds_, "LiveReadingOff",
        Tr("Не читать сочетания клавиш из меню программы, пока она работает"), this);
    dbLiveReadingOff->setToolTip(
        Tr("Сочетания, которые программа сама сообщает в своих меню и окне сочетаний клавиш, не "
           "читаются и не показываются."));

    auto* fields = new QFormLayout;
    fields->addRow(Tr("Название:"), dbName);
    fields->addRow(Tr("Путь:"), DBEdit3);
    fields->addRow(Tr("Классы окон:"), dbWindowClasses);
    fields->addRow(Tr("Ярлык:"), dbDesktopId);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->addSpacing(12);
    layout->addWidget(Button2, 0, Qt::AlignLeft);
    layout->addWidget(dbLiveReadingOff);
    layout->addStretch();

    ChooseProgram = [this]() -> std::optional<TChosenProgram> {
        if (!selectDialog_->Execute()) {
            return std::nullopt;
        }
        return TChosenProgram{selectDialog_->GetPath(), selectDialog_->GetProgramName(),
                              selectDialog_->GetWindowClasses(), selectDialog_->GetDesktopId()};
    };
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { CallHook(hooks_.CreateShortcut); });
}

TProgramDescriptionFrame::~TProgramDescriptionFrame() = default;

void TProgramDescriptionFrame::ShowFrame()
{
    show();
}

void TProgramDescriptionFrame::HideFrame()
{
    hide();
}

void TProgramDescriptionFrame::SetFocus()
{
    dbName->setFocus();
}

void TProgramDescriptionFrame::Button1Click()
{
    const std::optional<TChosenProgram> chosen = ChooseProgram();
    if (!chosen) {
        return;
    }
    DataSet& programs = *registry_.GetPrograms();
    programs.Edit();
    programs.FieldByName("FileName").SetValue(chosen->path);
    programs.FieldByName("WindowClasses").SetValue(chosen->windowClasses);
    programs.FieldByName("DesktopId").SetValue(chosen->desktopId);
    Field name = programs.FieldByName("Name");
    if (!chosen->name.empty() && name.AsString() == Translate("Новая программа")) {
        name.SetValue(chosen->name);
        NodeTextLeft(programs);
    }
}
