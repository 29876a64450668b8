#pragma once

#include "database/ProgramIdentity.h"
#include "keys/ActionDescription.h"
#include "keys/KeyCodes.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

enum class ShortCutType : std::uint8_t
{
    Normal,      // applies while its program is the active application
    Global,      // applies while its program runs
    SuperGlobal, // applies always
};

// Lower case by the locale's rules: program file names are compared in this form.
std::string LowerCase(const std::string& text);

// One running process, as seen at the last refresh.
class CLoadedProgram
{
public:
    std::int32_t ProcessId = -1;
    std::string FileName;
    std::string ModulePath;
    // The classes of its windows, and the desktop entries they or its sandbox name.
    std::vector<std::string> WindowClasses;
    std::vector<std::string> DesktopIds;

    CProgramIdentity Identity() const;
};

using CLoadedPrograms = std::vector<std::unique_ptr<CLoadedProgram>>;

// The window the user works in, as the program's own windows were not there.
struct CActiveProgram
{
    // 0: none known.
    std::int32_t ProcessId = 0;
    std::vector<std::string> WindowClasses;
    std::string DesktopId;
};

// A program that owns shortcuts, known by its executable's file name and, where given, its
// windows' classes and its desktop entry (see MatchIdentity).
class CProgram
{
public:
    std::string FileName;
    std::vector<std::string> WindowClasses;
    std::string DesktopId;
    // Its menus and shortcuts windows are not read while it runs.
    bool LiveReadingOff = false;

    CProgramIdentity Identity() const;
    // The processes of loaded that run this program, in list order.
    std::vector<CLoadedProgram*> FindEqualLoadedProgram(const CLoadedPrograms& loaded) const;
    // Whether the process runs this program; an empty identity matches nothing.
    bool MatchesLoadedProgram(const CLoadedProgram& loaded) const;

    // Whether the program runs, and is the active application, as last worked out.
    bool IsLoaded() const { return loaded_; }
    bool IsActive() const { return active_; }
    void SetRunState(bool loaded, bool active);

private:
    bool loaded_ = false;
    bool active_ = false;
};

// Whether a shortcut of this type and program applies, by the program's last worked-out state.
bool Applies(ShortCutType type, const CProgram* program);

class CShortCut
{
public:
    CShortCut();

    CProgram* Program = nullptr;
    std::unique_ptr<CActionDescription> ActionDescription;
    CKeyCodes KeyCodes;
    ShortCutType Type = ShortCutType::Normal;

    // Whether the shortcut applies, by its program's last worked-out state.
    bool Enabled() const;
};

// What one more held key leads to.
struct CNextKeys
{
    // As GetNextKeys gives them.
    std::map<int, CShortCut*> shortCuts;
    // For each key that begins an applicable shortcut of two keys more than those held: the
    // number of keys GetNextKeys would give with that key held too.
    std::map<std::uint16_t, int> counts;
};

class IShortCuts
{
public:
    virtual ~IShortCuts() = default;
    // Works out which programs run and which are active: the queries answer by this state until
    // it is set again. The active programs are those that match the active window most
    // specifically (a Writer window of soffice.bin is Writer's, not LibreOffice's).
    virtual void SetRunningPrograms(const CLoadedPrograms& loaded,
                                    const CActiveProgram& active) = 0;
    // For every applicable shortcut that holds all pressed keys and one key more: that key.
    // A later shortcut wins a key.
    virtual std::map<int, CShortCut*> GetNextKeys(const CKeyCodes& pressed) = 0;
    // GetNextKeys and, from the same state, the counts behind the keys that begin longer
    // shortcuts, so that a count always matches what holding its key shows.
    virtual CNextKeys GetNextKeysAndCounts(const CKeyCodes& pressed) = 0;
    // The first applicable shortcut whose keys are exactly these; null when none.
    virtual CShortCut* FindShortCut(const CKeyCodes& keys) = 0;
    // Every shortcut of the program with this file name (case ignored), whether it applies now or
    // not, in collection order.
    virtual std::vector<const CShortCut*> ProgramShortCuts(const std::string& fileName) const = 0;
    // Every shortcut of the programs active by the last SetRunningPrograms, whether it applies
    // now or not, in collection order: a Writer window's, not the other modules' of soffice.bin.
    virtual std::vector<const CShortCut*> ActiveProgramShortCuts() const = 0;
    virtual void Clear() = 0;
};

// The shortcuts with the programs they belong to.
class CShortCuts : public IShortCuts
{
public:
    // The program stays with the set; shortcuts added later may point at it.
    CProgram* AddProgram(std::unique_ptr<CProgram> program);
    void Add(std::unique_ptr<CShortCut> shortCut);
    void Reserve(std::size_t count) { items_.reserve(count); }
    const std::vector<std::unique_ptr<CShortCut>>& Items() const { return items_; }
    const std::vector<std::unique_ptr<CProgram>>& Programs() const { return programs_; }

    void SetRunningPrograms(const CLoadedPrograms& loaded, const CActiveProgram& active) override;
    std::map<int, CShortCut*> GetNextKeys(const CKeyCodes& pressed) override;
    CNextKeys GetNextKeysAndCounts(const CKeyCodes& pressed) override;
    CShortCut* FindShortCut(const CKeyCodes& keys) override;
    std::vector<const CShortCut*> ProgramShortCuts(const std::string& fileName) const override;
    std::vector<const CShortCut*> ActiveProgramShortCuts() const override;
    void Clear() override;

private:
    // The shortcuts with one number of keys, in collection order, with their keys side by side
    // (count per shortcut, left and right modifiers folded) and what decides whether they apply:
    // the queries look only at shortcuts of one size, the held keys' or one or two more, and
    // never reach into the shortcuts themselves but for a result.
    struct Entry
    {
        CShortCut* shortCut;
        const CProgram* program;
        ShortCutType type;
    };
    struct SizeGroup
    {
        std::vector<Entry> entries;
        std::vector<std::uint16_t> keys;
    };
    const SizeGroup& WithKeyCount(std::size_t count) const;

    std::vector<std::unique_ptr<CProgram>> programs_;
    std::vector<std::unique_ptr<CShortCut>> items_;
    std::vector<SizeGroup> bySize_;
};
