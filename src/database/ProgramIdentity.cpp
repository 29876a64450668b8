#include "database/ProgramIdentity.h"

#include "database/ShortCut.h"

#include <algorithm>

namespace {

const std::string DesktopSuffix = ".desktop";

std::string DesktopIdKey(const std::string& id)
{
    std::string key = LowerCase(id);
    if (key.size() > DesktopSuffix.size() &&
        key.compare(key.size() - DesktopSuffix.size(), DesktopSuffix.size(), DesktopSuffix) == 0) {
        key.resize(key.size() - DesktopSuffix.size());
    }
    return key;
}

bool Intersect(const std::vector<std::string>& left, const std::vector<std::string>& right)
{
    return std::any_of(left.begin(), left.end(), [&right](const std::string& item) {
        return std::find(right.begin(), right.end(), item) != right.end();
    });
}

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

CProgramIdentity CProgramIdentity::Make(const std::string& fileName,
                                        const std::vector<std::string>& classes,
                                        const std::vector<std::string>& desktopIds)
{
    CProgramIdentity identity;
    identity.fileName = LowerCase(fileName);
    for (const std::string& name : classes) {
        if (!name.empty()) {
            identity.classes.push_back(LowerCase(name));
        }
    }
    for (const std::string& id : desktopIds) {
        if (!id.empty()) {
            identity.desktopIds.push_back(DesktopIdKey(id));
        }
    }
    return identity;
}

IdentityMatch MatchIdentity(const CProgramIdentity& program, const CProgramIdentity& seen)
{
    if (Intersect(program.desktopIds, seen.desktopIds)) {
        return IdentityMatch::DesktopEntry;
    }
    if (Intersect(program.classes, seen.classes)) {
        return IdentityMatch::WindowClass;
    }
    if (!program.classes.empty() && !seen.classes.empty()) {
        return IdentityMatch::None;
    }
    if (!program.fileName.empty() && program.fileName == seen.fileName &&
        !IsInterpreter(seen.fileName)) {
        return IdentityMatch::Executable;
    }
    return IdentityMatch::None;
}

bool IsInterpreter(const std::string& fileName)
{
    // Versioned names too: python3.11, electron22.
    for (const char* family : {"python", "electron"}) {
        if (fileName.rfind(family, 0) == 0) {
            return true;
        }
    }
    for (const char* name :
         {"java", "node", "nodejs", "mono", "mono-sgen", "bash", "sh", "dash", "perl"}) {
        if (fileName == name) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> SplitIdentityList(const std::string& text)
{
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find_first_of(";,", start), text.size());
        if (std::string item = Trimmed(text.substr(start, end - start)); !item.empty()) {
            items.push_back(std::move(item));
        }
        start = end + 1;
    }
    return items;
}

std::string JoinIdentityList(const std::vector<std::string>& items)
{
    std::string text;
    for (const std::string& item : items) {
        text += (text.empty() ? "" : "; ") + item;
    }
    return text;
}
