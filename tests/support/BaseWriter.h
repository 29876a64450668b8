#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CDBRegistry;

// Adds one shortcut record through the registry's tables, adding its program record first when
// the table has none for that file. "Superglobal" is the super-global pseudo-program.
void AddShortcut(CDBRegistry& registry, const std::string& programFile, bool isNormal,
                 const std::vector<std::uint16_t>& keys, const std::string& shortName,
                 const std::string& description);

// Adds a generated base: programs named /usr/bin/prog0, prog1, ..., each with perProgram
// shortcuts (Ctrl+letter, Ctrl+Shift+letter, Alt+letter, a function key; two in three normal) and
// a 16x16 BMP icon of its own colour per shortcut.
void AddGeneratedBase(CDBRegistry& registry, int programs, int perProgram);

// The base as lines, in table order: each program ("Name | FileName"), then its shortcuts
// ("  keys | short name | description | normal or global | icon size and hash"). Ids are left
// out: they are nothing a user sees.
std::vector<std::string> DumpBase(CDBRegistry& registry);
