#include "shell/SettingsDialog.h"

#include "services/Translation.h"
#include "shell/TriggerEdit.h"
#include "shell/TriggerKeys.h"
#include "util/Text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// What went wrong is written in dark red.
constexpr const char* ErrorColour = "#b00000";

QString Tr(const char* text)
{
    return QString::fromStdString(Translate(text));
}

// How long the desktop's extension tool may take.
constexpr int ExtensionToolTimeoutMs = 10000;

// A label whose text wraps at about this many characters.
constexpr int LabelCharacters = 60;

QLabel* WrappedLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setMinimumWidth(label->fontMetrics().averageCharWidth() * LabelCharacters);
    return label;
}

} // namespace

TSettingsDialog::TSettingsDialog(platform::Platform& platform, const SettingsValues& values,
                                 const DesktopFacts& desktop, ApplyFunction apply, QWidget* parent)
    : QDialog(parent), platform_(platform), desktop_(desktop), apply_(std::move(apply)),
      trigger_(values.trigger)
{
    setWindowTitle(Tr("Настройки Quorvel"));
    QHBoxLayout* triggerRow = BuildTriggerRow(values.trigger);
    auto* hint = WrappedLabel(this);
    hint->setText(Tr("Щёлкните в поле и нажмите новое сочетание: клавиши Win, Ctrl, Alt или "
                     "Shift и ещё одну клавишу."));

    desktopShortcut_ = new QCheckBox(
        Tr("Зарегистрировать сочетание в настройках клавиатуры GNOME (команда «quorvel "
           "--show»)"),
        this);
    desktopShortcut_->setChecked(values.desktopShortcut);
    desktopShortcut_->setVisible(desktop.gnomeShortcuts);
    connect(desktopShortcut_, &QCheckBox::toggled, this, [this] { UpdateAdvice(); });

    startAtLogin_ = new QCheckBox(Tr("Запускать Quorvel при входе в систему"), this);
    startAtLogin_->setChecked(values.startAtLogin);

    keyboardShape_ = new QComboBox(this);
    keyboardShape_->addItem(Tr("по раскладке клавиатуры"));
    keyboardShape_->addItem(Tr("ANSI: прямая клавиша Enter, без клавиши рядом с левым Shift"));
    keyboardShape_->addItem(Tr("ISO: Г-образная клавиша Enter, клавиша рядом с левым Shift"));
    keyboardShape_->setCurrentIndex(
        !values.keyboardShape ? 0
                              : (*values.keyboardShape == platform::KeyboardShape::Ansi ? 1 : 2));

    advice_ = WrappedLabel(this);
    advice_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    error_ = WrappedLabel(this);
    error_->setStyleSheet(QStringLiteral("color: %1").arg(ErrorColour));
    error_->hide();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(Tr("ОК"));
    buttons->button(QDialogButtonBox::Cancel)->setText(Tr("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TSettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TSettingsDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(Tr("Клавиши вызова:"), triggerRow);
    form->addRow(QString(), hint);
    form->addRow(Tr("Клавиатура:"), keyboardShape_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(advice_);
    layout->addWidget(desktopShortcut_);
    layout->addWidget(startAtLogin_);
    AddLiveReading(layout, values);
    AddShellExtension(layout);
    layout->addWidget(error_);
    layout->addStretch();
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    UpdateAdvice();
}

QHBoxLayout* TSettingsDialog::BuildTriggerRow(const Trigger& trigger)
{
    triggerEdit_ = new TTriggerEdit(platform_, this);
    triggerEdit_->SetKeys(KeysOfTrigger(trigger));
    // The instructions stand right below the field; a prompt popping up would cover them.
    triggerEdit_->ShowHintOnEnter = false;
    triggerEdit_->OnChange = [this] {
        if (const auto trigger = TriggerOfKeys(platform_, triggerEdit_->KeyCodes)) {
            trigger_ = *trigger;
        }
        UpdateAdvice();
    };
    // Win, Ctrl, Alt and Shift from a list: a window manager may take a key held alone.
    auto* addKey = new QToolButton(this);
    addKey->setText(QStringLiteral("+"));
    addKey->setToolTip(Tr("Добавить клавишу"));
    auto* keyList = new TKeyList(this);
    keyList->OnKeySelect = [this](std::uint16_t code) {
        if (code != 0) {
            triggerEdit_->AddKey(code);
        } else {
            triggerEdit_->setFocus();
        }
    };
    connect(addKey, &QToolButton::clicked, this,
            [addKey, keyList] { PopupBelow(keyList, addKey); });
    auto* clear = new QToolButton(this);
    clear->setText(QStringLiteral("×"));
    clear->setToolTip(Tr("Очистить"));
    connect(clear, &QToolButton::clicked, this, [this] { triggerEdit_->Clear(); });
    auto* triggerRow = new QHBoxLayout;
    triggerRow->addWidget(triggerEdit_, 1);
    triggerRow->addWidget(addKey);
    triggerRow->addWidget(clear);
    return triggerRow;
}

void TSettingsDialog::AddLiveReading(QVBoxLayout* layout, const SettingsValues& values)
{
    liveReading_ = new QCheckBox(
        Tr("Показывать сочетания клавиш из меню и окон сочетаний активной программы"), this);
    liveReading_->setChecked(values.liveReading);
    liveAccessibility_ = new QCheckBox(
        Tr("Читать также программы Qt и другие (включает специальные возможности)"), this);
    liveAccessibility_->setChecked(values.liveAccessibility);
    liveAccessibility_->setEnabled(values.liveReading);
    auto* warning = WrappedLabel(this);
    warning->setText(
        Tr("Со специальными возможностями любая ваша программа может читать содержимое окон "
           "других программ, как программа чтения с экрана. Программы Qt нужно перезапустить, "
           "чтобы их сочетания читались."));
    warning->setContentsMargins(liveAccessibility_->style()->pixelMetric(QStyle::PM_IndicatorWidth),
                                0, 0, 0);
    connect(liveReading_, &QCheckBox::toggled, liveAccessibility_, &QCheckBox::setEnabled);
    layout->addWidget(liveReading_);
    layout->addWidget(liveAccessibility_);
    layout->addWidget(warning);
}

void TSettingsDialog::AddShellExtension(QVBoxLayout* layout)
{
    extension_ = platform_.GetShellExtension();
    if (extension_.uuid.empty()) {
        return;
    }
    extensionState_ = WrappedLabel(this);
    layout->addWidget(extensionState_);
    if (extension_.active) {
        extensionState_->setText(
            Tr("Расширение Quorvel для GNOME Shell включено: Quorvel знает, в какой программе вы "
               "работаете, и выполняет выбранные сочетания клавиш."));
        return;
    }
    QString state =
        extension_.remoteDesktop
            ? Tr("Расширение Quorvel для GNOME Shell не включено. Оно сообщает Quorvel, в какой "
                 "программе вы работаете (процесс, файл .desktop и класс окна, но не заголовки "
                 "окон). Без него Quorvel показывает только сочетания рабочего стола и глобальные "
                 "сочетания запущенных программ, а выбранные сочетания выполняет через удалённый "
                 "доступ к рабочему столу, который GNOME просит вас разрешить (GNOME 45 и новее "
                 "запоминают ответ).")
            : Tr("Расширение Quorvel для GNOME Shell не включено. Оно сообщает Quorvel, в какой "
                 "программе вы работаете (процесс, файл .desktop и класс окна, но не заголовки "
                 "окон), и выполняет выбранные сочетания клавиш. Без него Quorvel показывает "
                 "только сочетания рабочего стола и глобальные сочетания запущенных программ, а "
                 "щелчок по клавише лишь описывает её сочетание.");
    if (extension_.x11Windows) {
        state += QLatin1Char(' ') +
                 Tr("Программы в окнах X11 (XWayland) Quorvel узнаёт и без него и выполняет в них "
                    "выбранные сочетания клавиш.");
    }
    extensionState_->setText(state);
    enableExtension_ = new QPushButton(Tr("Включить расширение"), this);
    connect(enableExtension_, &QPushButton::clicked, this, [this] { OnEnableExtension(); });
    auto* row = new QHBoxLayout;
    row->addWidget(enableExtension_);
    row->addStretch();
    layout->addLayout(row);
}

void TSettingsDialog::OnEnableExtension()
{
    if (!platform_.RunProgram("gnome-extensions", {"enable", extension_.uuid},
                              ExtensionToolTimeoutMs)) {
        error_->setText(QString::fromStdString(
            FormatText(Translate("Не удалось включить расширение командой «gnome-extensions "
                                 "enable %s». Если Quorvel установлен недавно, выйдите из сеанса, "
                                 "войдите снова и повторите."),
                       extension_.uuid)));
        error_->show();
        return;
    }
    error_->hide();
    enableExtension_->setEnabled(false);
    extensionState_->setText(
        Tr("Расширение включено. Перезапустите Quorvel, чтобы им пользоваться. Если GNOME не "
           "находит расширение, выйдите из сеанса и войдите снова."));
}

void TSettingsDialog::UpdateAdvice()
{
    std::string advice =
        TriggerAdvice(desktop_, trigger_, desktop_.gnomeShortcuts && desktopShortcut_->isChecked());
    const std::string line = platform_.GetTriggerConfigLine(trigger_.modifiers, trigger_.code);
    if (advice.empty() && !line.empty()) {
        advice = FormatText(Translate("Композитор помнит это сочетание до своего перезапуска. "
                                      "Чтобы оно действовало всегда, добавьте в его файл "
                                      "настроек строку: %s"),
                            line);
    }
    advice_->setText(QString::fromStdString(advice));
    advice_->setVisible(!advice.empty());
}

void TSettingsDialog::accept()
{
    const auto trigger = TriggerOfKeys(platform_, triggerEdit_->KeyCodes);
    if (!trigger) {
        error_->setText(Tr("Сочетание должно состоять из клавиш Win, Ctrl, Alt или Shift и ещё "
                           "одной клавиши."));
        error_->show();
        return;
    }
    SettingsValues values;
    values.trigger = *trigger;
    values.desktopShortcut = desktop_.gnomeShortcuts && desktopShortcut_->isChecked();
    values.startAtLogin = startAtLogin_->isChecked();
    values.liveReading = liveReading_->isChecked();
    values.liveAccessibility = liveAccessibility_->isChecked();
    constexpr std::optional<platform::KeyboardShape> shapes[] = {
        std::nullopt, platform::KeyboardShape::Ansi, platform::KeyboardShape::Iso};
    values.keyboardShape = shapes[std::max(0, keyboardShape_->currentIndex())];
    const std::string failure = apply_ ? apply_(values) : std::string();
    if (!failure.empty()) {
        error_->setText(QString::fromStdString(failure));
        error_->show();
        return;
    }
    QDialog::accept();
}
