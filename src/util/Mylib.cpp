#include "util/Mylib.h"

#include <QMessageBox>
#include <QPushButton>
#include <QString>

#include <stdexcept>

std::string SpecialFolder(int kind)
{
    if (kind < platform::sfAppData || kind > platform::sfCommonAppData) {
        throw std::invalid_argument(
            "Неизвестный тип специальной папки передан в функцию SpecialFolder");
    }
    return platform::Get().GetSpecialFolder(static_cast<platform::SpecialFolderKind>(kind));
}

std::string JoinPath(const std::string& part1, const std::string& part2, const std::string& part3,
                     const std::string& part4, const std::string& part5, const std::string& part6,
                     const std::string& part7)
{
    std::string result;
    bool first = true;
    for (const std::string* part : {&part1, &part2, &part3, &part4, &part5, &part6, &part7}) {
        if (part->empty()) {
            break;
        }
        std::string piece = *part;
        if (piece.back() == PathDelimiter) {
            piece.pop_back();
        }
        if (!first) {
            result += PathDelimiter;
        }
        result += piece;
        first = false;
    }
    return result;
}

std::string GetExeFolder()
{
    const std::string path = platform::Get().GetExecutablePath();
    const auto slash = path.rfind(PathDelimiter);
    return slash == std::string::npos ? std::string(1, PathDelimiter) : path.substr(0, slash + 1);
}

std::string ExtractFileName(const std::string& path)
{
    const auto slash = path.rfind(PathDelimiter);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExtractFileTitle(const std::string& path)
{
    std::string name = ExtractFileName(path);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos) {
        name.erase(dot);
    }
    return name;
}

std::string ReplaceFirst(const std::string& text, const std::string& value)
{
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '%' && (text[i + 1] == 's' || text[i + 1] == 'S')) {
            return text.substr(0, i) + value + text.substr(i + 2);
        }
    }
    return text;
}

std::string FormatText(const std::string& pattern, const std::string& a1, const std::string& a2,
                       const std::string& a3, const std::string& a4, const std::string& a5,
                       const std::string& a6, const std::string& a7, const std::string& a8,
                       const std::string& a9, const std::string& a10)
{
    std::string result = pattern;
    for (const std::string* arg : {&a1, &a2, &a3, &a4, &a5, &a6, &a7, &a8, &a9, &a10}) {
        result = ReplaceFirst(result, *arg);
    }
    return result;
}

std::vector<std::string> SplitText(const std::string& text, char delimiter)
{
    std::vector<std::string> pieces;
    if (text.empty()) {
        return pieces;
    }
    std::string current;
    for (char c : text) {
        if (c == delimiter) {
            pieces.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    pieces.push_back(current);
    return pieces;
}

void MessageBoxOptions::AddButton(int button)
{
    if (button >= mbYes && button <= mbHelp) {
        buttons_ |= static_cast<std::uint16_t>(1u << button);
    }
}

void MessageBoxOptions::SetType(int type)
{
    if (type >= 100 && type <= 104) {
        type -= 100;
    }
    if (type >= mtWarning && type <= mtCustom) {
        type_ = static_cast<std::uint8_t>(type);
    }
}

namespace {

MessageBoxHandler& Handler()
{
    static MessageBoxHandler handler;
    return handler;
}

int ShowQtMessageBox(const std::string& text, const MessageBoxOptions& options)
{
    static const struct
    {
        int index;
        QMessageBox::StandardButton button;
    } buttons[] = {
        {mbYes, QMessageBox::Yes},         {mbNo, QMessageBox::No},
        {mbOK, QMessageBox::Ok},           {mbCancel, QMessageBox::Cancel},
        {mbAbort, QMessageBox::Abort},     {mbRetry, QMessageBox::Retry},
        {mbIgnore, QMessageBox::Ignore},   {mbAll, QMessageBox::NoButton},
        {mbNoToAll, QMessageBox::NoToAll}, {mbYesToAll, QMessageBox::YesToAll},
        {mbHelp, QMessageBox::Help},
    };
    static const QMessageBox::Icon icons[] = {QMessageBox::Warning, QMessageBox::Critical,
                                              QMessageBox::Information, QMessageBox::Question,
                                              QMessageBox::NoIcon};

    QMessageBox box(icons[options.Type()], QStringLiteral("Quorvel"), QString::fromStdString(text));
    std::vector<std::pair<QAbstractButton*, int>> added;
    for (const auto& b : buttons) {
        if (!options.HasButton(b.index)) {
            continue;
        }
        // "All" has no standard button of its own: give it a plain accept button.
        QAbstractButton* button =
            b.index == mbAll ? box.addButton(QMessageBox::tr("All"), QMessageBox::AcceptRole)
                             : box.addButton(b.button);
        added.emplace_back(button, b.index);
    }
    box.exec();
    for (const auto& [button, index] : added) {
        if (box.clickedButton() == button) {
            return index == mbHelp ? mbCancel : index;
        }
    }
    return mbCancel;
}

} // namespace

int ShowMessageBox(const std::string& text, MessageBoxOptions options)
{
    if (options.Buttons() == 0) {
        options.AddButton(mbOK);
    }
    if (Handler()) {
        return Handler()(text, options);
    }
    return ShowQtMessageBox(text, options);
}

void SetMessageBoxHandler(MessageBoxHandler handler)
{
    Handler() = std::move(handler);
}
