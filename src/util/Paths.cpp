#include "util/Paths.h"

#include <cstdlib>
#include <sstream>
#include <sys/stat.h>

std::string SpecialFolder(platform::SpecialFolderKind kind)
{
    return platform::Get().GetSpecialFolder(kind);
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

bool IsRegularFile(const std::string& path)
{
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsApplicationFile(const std::string& path)
{
    struct stat info
    {
    };
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           (info.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
}

std::string ResolveOnPath(const std::string& program)
{
    if (program.find(PathDelimiter) != std::string::npos) {
        return program;
    }
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "/usr/local/bin:/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = JoinPath(folder, program);
        if (!folder.empty() && IsApplicationFile(candidate)) {
            return candidate;
        }
    }
    return program;
}
