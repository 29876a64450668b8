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
