#include "keyboard/HotKeyEdit.h"

#include "framework/DataSet.h"
#include "framework/DataSource.h"
#include "framework/Exception.h"
#include "platform/Platform.h"
#include "platform/VirtualKeys.h"
#include "services/Translation.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QToolTip>

namespace {

// How long the prompt stays beside the control.
constexpr int HintHidePause = 10000;

QString ToQt(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

THotKeyEdit::THotKeyEdit(platform::Platform& platform, QWidget* parent)
    : QLineEdit(parent), platform_(platform),
      hint_(new QLabel(this, Qt::ToolTip | Qt::FramelessWindowHint)),
      hintTimer_(HintHidePause, false)
{
    hint_->setText(ToQt(Translate("Нажмите требуемое сочетание клавиш")));
    hint_->setPalette(QToolTip::palette());
    hint_->setFont(QToolTip::font());
    hint_->setMargin(4);
    hintTimer_.OnTimer = [this] { HideKeyHint(); };
    setContextMenuPolicy(Qt::NoContextMenu);
}

THotKeyEdit::~THotKeyEdit() = default;

void THotKeyEdit::UpdateKeyCodes()
{
    setText(QStringLiteral(" ") + ToQt(KeyCodes.GetText()));
}

void THotKeyEdit::AddKey(std::uint16_t code)
{
    KeyCodes.Add(code);
    UpdateKeyCodes();
}

void THotKeyEdit::Clear()
{
    KeyCodes.clear();
    UpdateKeyCodes();
    QLineEdit::clear();
}

CKeyCodes THotKeyEdit::GetKeyboardKeyCodes() const
{
    CKeyCodes codes;
    std::uint8_t state[256] = {};
    if (!platform_.GetKeyboardState(state)) {
        return codes;
    }
    for (int code = 0; code < 256; ++code) {
        if ((state[code] & 0xF0) == 0) {
            continue;
        }
        const auto key = static_cast<std::uint16_t>(code);
        const std::uint16_t generic = GetGenericKeyCode(key);
        if (generic == vk::AnyWin) {
            codes.Add(vk::AnyWin);
        } else if (generic == 0) {
            codes.Add(key);
        }
    }
    return codes;
}

bool THotKeyEdit::event(QEvent* event)
{
    // Every combination is captured here, also those that are shortcuts of the window.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void THotKeyEdit::keyPressEvent(QKeyEvent* event)
{
    KeyCodes = GetKeyboardKeyCodes();
    UpdateKeyCodes();
    event->accept();
}

void THotKeyEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    deselect();
    ShowKeyHint();
}

void THotKeyEdit::focusOutEvent(QFocusEvent* event)
{
    HideKeyHint();
    QLineEdit::focusOutEvent(event);
}

void THotKeyEdit::ShowKeyHint()
{
    if (hint_->text().isEmpty() || !ShowHintOnEnter) {
        return;
    }
    // One line up to 400 pixels wide; a longer prompt wraps at that width.
    hint_->setWordWrap(false);
    hint_->adjustSize();
    if (hint_->width() > 400) {
        hint_->setWordWrap(true);
        hint_->setFixedWidth(400);
        hint_->adjustSize();
    }
    // Above the control: what lies below a field is often its explanation or its options, which
    // the user reads next. Below it only where the screen has no room above.
    const QPoint above = mapToGlobal(QPoint(0, -hint_->height()));
    const QScreen* shownOn = screen();
    const bool roomAbove = !shownOn || above.y() >= shownOn->availableGeometry().top();
    hint_->move(roomAbove ? above : mapToGlobal(QPoint(0, height())));
    hint_->show();
    hintTimer_.SetEnabled(false);
    hintTimer_.SetEnabled(true);
}

void THotKeyEdit::HideKeyHint()
{
    hintTimer_.SetEnabled(false);
    hint_->hide();
}

bool THotKeyEdit::IsKeyHintVisible() const
{
    return hint_->isVisible();
}

// --- TDBHotKeyEdit ---------------------------------------------------------------------------

TDBHotKeyEdit::TDBHotKeyEdit(platform::Platform& platform, QWidget* parent)
    : THotKeyEdit(platform, parent)
{
}

TDBHotKeyEdit::~TDBHotKeyEdit()
{
    SetDataSource(nullptr);
}

void TDBHotKeyEdit::SetDataSource(DataSource* source)
{
    if (dataSource_) {
        dataSource_->RemoveListener(listener_);
    }
    dataSource_ = source;
    if (dataSource_) {
        listener_ = dataSource_->AddDataChangeListener([this](const Field* f) { DataChange(f); });
    }
}

Field TDBHotKeyEdit::GetKeyField() const
{
    DataSet* dataSet = dataSource_ ? dataSource_->GetDataSet() : nullptr;
    if (dataSet) {
        for (const FieldDef& def : dataSet->FieldDefs()) {
            if (def.name == DataField && def.type == FieldType::Blob) {
                return dataSet->FieldByName(DataField);
            }
        }
    }
    throw Exception("Поле TDBHotKeyEdit::DataField не доступно или имеетнеправильный тип");
}

void TDBHotKeyEdit::UpdateKeyCodes()
{
    WriteKeyField();
    THotKeyEdit::UpdateKeyCodes();
}

void TDBHotKeyEdit::WriteKeyField()
{
    Field field = GetKeyField();
    struct Guard
    {
        bool& flag;
        ~Guard() { flag = false; }
    } guard{updating_};
    updating_ = true;
    dataSource_->GetDataSet()->Edit();
    updating_ = false;
    // The set's stored form replaces the whole value; an empty combination stores an empty one.
    field.SetValue(BlobValue(KeyCodes.SaveToBuffer()));
}

void TDBHotKeyEdit::ReadKeyField()
{
    const Field field = GetKeyField();
    const Blob& bytes = field.AsBlob();
    KeyCodes.clear();
    KeyCodes.LoadFromBuffer(bytes.data(), bytes.size());
    THotKeyEdit::UpdateKeyCodes();
}

void TDBHotKeyEdit::DataChange(const Field* field)
{
    const Field keyField = GetKeyField();
    if ((field == nullptr || field->Name() == keyField.Name()) && !updating_) {
        ReadKeyField();
    }
}

// --- TKeyList --------------------------------------------------------------------------------

TKeyList::TKeyList(QWidget* parent) : QMenu(parent)
{
    const std::pair<QString, std::uint16_t> items[] = {
        {"Shift", vk::Shift},
        {"Ctrl", vk::Control},
        {"Alt", vk::Menu},
        {"Win", vk::AnyWin},
        {ToQt(Translate("Другая клавиша...")), 0},
    };
    for (const auto& item : items) {
        QAction* action = addAction(item.first);
        connect(action, &QAction::triggered, this, [this, code = item.second] {
            if (OnKeySelect) {
                OnKeySelect(code);
            }
        });
    }
}

void PopupBelow(QMenu* menu, QWidget* control)
{
    menu->popup(control->mapToGlobal(QPoint(0, control->height())));
}
