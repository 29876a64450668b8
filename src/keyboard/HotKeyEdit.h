#pragma once

#include "framework/Timer.h"
#include "platform/Platform.h"
#include "keys/KeyCodes.h"

#include <QLineEdit>
#include <QMenu>

#include <cstdint>
#include <functional>
#include <string>

class DataSource;
class Field;
class QLabel;

// A one-line control that captures the keys held at each key press and shows them as text;
// typed characters never reach the text.
class THotKeyEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit THotKeyEdit(platform::Platform& platform, QWidget* parent = nullptr);
    ~THotKeyEdit() override;

    CKeyCodes KeyCodes;
    // Whether taking the focus shows the prompt; off where a permanent text beside the control
    // says the same.
    bool ShowHintOnEnter = true;

    // Shows the combination: one space, then its text.
    virtual void UpdateKeyCodes();
    void AddKey(std::uint16_t code);
    // Empties the combination; the text ends empty.
    virtual void Clear();
    // The prompt beside the control (above it where the screen has room), shown when it takes
    // the focus.
    void ShowKeyHint();
    void HideKeyHint();
    bool IsKeyHintVisible() const;
    // Every key (and mouse button) held now, either-side codes for the modifiers.
    CKeyCodes GetKeyboardKeyCodes() const;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    platform::Platform& platform_;
    QLabel* hint_;
    Timer hintTimer_;
};

// The hot-key control bound to a blob field: the stored combination follows the current record,
// and every change is written to it.
class TDBHotKeyEdit : public THotKeyEdit
{
    Q_OBJECT
public:
    explicit TDBHotKeyEdit(platform::Platform& platform, QWidget* parent = nullptr);
    ~TDBHotKeyEdit() override;

    void SetDataSource(DataSource* source);
    // The bound field; Exception when there is none or it is not a blob field.
    Field GetKeyField() const;
    void UpdateKeyCodes() override;

    std::string DataField;

private:
    void WriteKeyField();
    void ReadKeyField();
    void DataChange(const Field* field);

    bool updating_ = false;
    DataSource* dataSource_ = nullptr;
    int listener_ = 0;
};

// The keys that cannot be held while clicking, and a way back to the control for any other key.
class TKeyList : public QMenu
{
    Q_OBJECT
public:
    explicit TKeyList(QWidget* parent = nullptr);

    // Called with the chosen key's code; 0 for "another key".
    std::function<void(std::uint16_t)> OnKeySelect;
};

// Opens the menu at the bottom-left corner of the control.
void PopupBelow(QMenu* menu, QWidget* control);
