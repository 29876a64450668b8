#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Small free functions used across the program: special folders, paths, text formatting and
// splitting, and the one modal message box.

constexpr char PathDelimiter = '/';

// The folder of a special kind (sfAppData .. sfCommonAppData); empty when unknown. Any other kind
// throws std::invalid_argument.
std::string SpecialFolder(int kind);

// Joins up to seven parts with '/', stopping at the first empty part; a part's one trailing '/'
// is dropped.
std::string JoinPath(const std::string& part1, const std::string& part2 = {},
                     const std::string& part3 = {}, const std::string& part4 = {},
                     const std::string& part5 = {}, const std::string& part6 = {},
                     const std::string& part7 = {});

// The folder of the running executable, ending with '/'.
std::string GetExeFolder();

// The file-name part of a path after the last '/'.
std::string ExtractFileName(const std::string& path);

// The file-name part of a path without its last extension.
std::string ExtractFileTitle(const std::string& path);

// Replaces the first "%s" (or "%S") of text by value.
std::string ReplaceFirst(const std::string& text, const std::string& value);

// Fills the "%s" placeholders of pattern one by one with the arguments.
std::string FormatText(const std::string& pattern, const std::string& a1 = {},
                       const std::string& a2 = {}, const std::string& a3 = {},
                       const std::string& a4 = {}, const std::string& a5 = {},
                       const std::string& a6 = {}, const std::string& a7 = {},
                       const std::string& a8 = {}, const std::string& a9 = {},
                       const std::string& a10 = {});

// Splits text at a one-character delimiter; every delimiter ends a piece, empty ones too.
std::vector<std::string> SplitText(const std::string& text, char delimiter);

// Button indices and dialog types of the message box.
enum MessageButton
{
    mbYes = 0,
    mbNo = 1,
    mbOK = 2,
    mbCancel = 3,
    mbAbort = 4,
    mbRetry = 5,
    mbIgnore = 6,
    mbAll = 7,
    mbNoToAll = 8,
    mbYesToAll = 9,
    mbHelp = 10,
};

enum MessageType
{
    mtWarning = 0,
    mtError = 1,
    mtInformation = 2,
    mtConfirmation = 3,
    mtCustom = 4,
};

class MessageBoxOptions
{
public:
    // Adds a button by index (0-10); other values are ignored.
    void AddButton(int button);
    // Sets the type (0-4, or 100-104 meaning 0-4); other values are ignored.
    void SetType(int type);

    std::uint16_t Buttons() const { return buttons_; }
    std::uint8_t Type() const { return type_; }
    bool HasButton(int button) const { return (buttons_ >> button) & 1u; }

private:
    std::uint16_t buttons_ = 0;
    std::uint8_t type_ = mtCustom;
};

// Shows a modal message box and returns the pressed button's index (mbCancel when the box was
// closed without a button). With no buttons set, OK alone is shown.
int ShowMessageBox(const std::string& text, MessageBoxOptions options = {});

// Replaces the dialog behind ShowMessageBox (tests record instead of blocking); an empty handler
// restores the real dialog. The handler gets the options with the OK default already applied.
using MessageBoxHandler = std::function<int(const std::string&, const MessageBoxOptions&)>;
void SetMessageBoxHandler(MessageBoxHandler handler);
