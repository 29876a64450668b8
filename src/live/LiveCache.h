#pragma once

#include "live/LiveShortcut.h"

#include <cstdint>
#include <string>
#include <vector>

namespace live {

// A program whose shortcuts are read: what tells it from others, and what makes an earlier read
// of it stale.
struct LiveProgram
{
    std::uint32_t processId = 0;
    std::string executable; // the executable's path
    std::string desktopId;
    std::vector<std::string> classes;
    // The executable's modification time (nanoseconds since the epoch) and the language its
    // texts were read in: a read of another build or language is dropped.
    std::int64_t executableTime = 0;
    std::string locale;

    // The same program, whatever its build or language.
    bool SameProgram(const LiveProgram& other) const;
};

// The shortcuts read from each program, a file per program in a folder of the user's cache
// ($XDG_CACHE_HOME/quorvel/live), readable by the user alone. A file keeps the union of the reads
// of one build of the program in one language: a menu read once stays when a later read does not
// reach it.
class LiveCache
{
public:
    explicit LiveCache(std::string folder);

    // What the cache holds for the program; empty when nothing, or when what it holds was read
    // from another build or in another language (that file is removed).
    std::vector<LiveShortcut> Load(const LiveProgram& program) const;
    // Adds what a read found to what the cache holds and writes the union; returns it.
    std::vector<LiveShortcut> Merge(const LiveProgram& program,
                                    const std::vector<LiveShortcut>& found) const;
    // The file that holds a program's shortcuts.
    std::string FileOf(const LiveProgram& program) const;

    // A cache file larger than this is not read.
    static constexpr std::int64_t MaxFileBytes = 4 << 20;

private:
    bool Write(const LiveProgram& program, const std::vector<LiveShortcut>& shortcuts) const;

    std::string folder_;
};

// The modification time of a file in nanoseconds since the epoch; 0 when it cannot be read.
std::int64_t ModificationTime(const std::string& path);

} // namespace live
