#pragma once

#include "keys/Actiondescription.h"
#include "keys/Keycodes.h"

#include <QImage>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

enum ShortCutType : std::uint8_t
{
    stNormal = 0,      // applies while its program is the active application
    stGlobal = 1,      // applies while its program runs
    stSuperGlobal = 2, // applies always
};

// One running process, as seen at the last refresh.
class CLoadedProgram
{
public:
    std::int32_t ProcessId = -1;
    std::string FileName;
    std::string ModulePath;
};

using CLoadedPrograms = std::vector<std::unique_ptr<CLoadedProgram>>;

// A program that owns shortcuts, known by its executable's file name.
class CProgram
{
public:
    CLoadedPrograms* LoadedPrograms = nullptr;
    std::string FileName;

    // The running processes of this program, in list order.
    std::vector<CLoadedProgram*> FindEqualLoadedProgram() const;
    bool IsLoaded() const;
    bool IsActive() const;
    // Same file name, ignoring case; an empty name matches nothing.
    bool MatchesLoadedProgram(const CLoadedProgram& loaded) const;
};

class CShortCut
{
public:
    CShortCut();

    CProgram* Programm = nullptr;
    std::unique_ptr<CActionDescription> ActionDescription;
    CKeyCodes KeyCodes;
    std::uint8_t Type = stNormal;

    // Whether the shortcut applies now.
    bool Enabled() const;
};

class IShortCuts
{
public:
    virtual ~IShortCuts() = default;
    // For every applicable shortcut that holds all pressed keys and one key more: that key.
    // A later shortcut wins a key.
    virtual std::map<int, CShortCut*> GetNextKeys(const CKeyCodes& pressed) = 0;
    // The first applicable shortcut whose keys are exactly these; null when none.
    virtual CShortCut* FindShortCut(const CKeyCodes& keys) = 0;
    virtual void Clear() = 0;
};

class CShortCuts : public IShortCuts
{
public:
    void Add(std::unique_ptr<CShortCut> shortCut);
    void Reserve(std::size_t count) { items_.reserve(count); }
    const std::vector<std::unique_ptr<CShortCut>>& Items() const { return items_; }

    std::map<int, CShortCut*> GetNextKeys(const CKeyCodes& pressed) override;
    CShortCut* FindShortCut(const CKeyCodes& keys) override;
    void Clear() override;

private:
    // The shortcuts with one number of keys, in collection order, with their keys side by side
    // (count per shortcut, left and right modifiers folded): the queries look only at shortcuts
    // of one size, the held keys' or one more, and compare keys without leaving this memory.
    struct SizeGroup
    {
        std::vector<CShortCut*> shortCuts;
        std::vector<std::uint16_t> keys;
    };
    const SizeGroup& WithKeyCount(std::size_t count) const;

    std::vector<std::unique_ptr<CShortCut>> items_;
    std::vector<SizeGroup> bySize_;
};

// Rebuilds the list from the processes running now.
void RefreshLoadedPrograms(CLoadedPrograms& programs);
// Full path of the process's executable; empty when it cannot be read.
std::string GetProcessModulePath(std::uint32_t processId);
std::string GetProcessFileName(std::uint32_t processId);
