#include "live/ResourceFiles.h"

#include <elf.h>
#include <fcntl.h>
#include <gio/gio.h>
#include <unistd.h>

#include <bit>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>

namespace live {
namespace {

class FileHandle
{
public:
    explicit FileHandle(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC))
    {
    }
    ~FileHandle()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool ReadAt(void* buffer, std::size_t size, std::uint64_t offset) const
    {
        return fd_ >= 0 &&
               ::pread(fd_, buffer, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
    }

private:
    int fd_;
};

struct Section
{
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

bool IsNativeElf64(const Elf64_Ehdr& header)
{
    const unsigned char native =
        std::endian::native == std::endian::little ? ELFDATA2LSB : ELFDATA2MSB;
    return std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 &&
           header.e_ident[EI_CLASS] == ELFCLASS64 && header.e_ident[EI_DATA] == native &&
           header.e_shentsize == sizeof(Elf64_Shdr) && header.e_shstrndx < header.e_shnum;
}

// The sections named ".gresource.*" that hold data in the file.
std::vector<Section> BundleSections(const FileHandle& file)
{
    Elf64_Ehdr header{};
    if (!file.ReadAt(&header, sizeof header, 0) || !IsNativeElf64(header)) {
        return {};
    }
    std::vector<Elf64_Shdr> sections(header.e_shnum);
    if (!file.ReadAt(sections.data(), sections.size() * sizeof(Elf64_Shdr), header.e_shoff)) {
        return {};
    }
    const Elf64_Shdr& names = sections[header.e_shstrndx];
    if (names.sh_size > (1u << 20)) {
        return {};
    }
    std::string nameTable(names.sh_size, '\0');
    if (!file.ReadAt(nameTable.data(), nameTable.size(), names.sh_offset)) {
        return {};
    }
    std::vector<Section> bundles;
    for (const Elf64_Shdr& section : sections) {
        if (section.sh_type == SHT_NOBITS || section.sh_name >= nameTable.size()) {
            continue;
        }
        if (nameTable.compare(section.sh_name, 11, ".gresource.") == 0) {
            bundles.push_back({section.sh_offset, section.sh_size});
        }
    }
    return bundles;
}

bool IsShortcutWindow(const std::string& path)
{
    const std::string name = path.substr(path.rfind('/') + 1);
    return name == "help-overlay.ui" ||
           (name.ends_with(".ui") && name.find("shortcuts") != std::string::npos);
}

struct ResourceUnref
{
    void operator()(GResource* resource) const { g_resource_unref(resource); }
};

void FindInFolder(GResource* resource, const std::string& folder, ReadBudget& budget,
                  std::vector<ResourceFile>& found, int depth)
{
    char** children = g_resource_enumerate_children(resource, folder.c_str(),
                                                    G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
    for (char** child = children; child && *child && budget.Take(); ++child) {
        const std::string path = folder + *child;
        if (path.ends_with('/')) {
            if (depth < 32) {
                FindInFolder(resource, path, budget, found, depth + 1);
            }
        } else if (IsShortcutWindow(path)) {
            GBytes* bytes = g_resource_lookup_data(resource, path.c_str(),
                                                   G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
            if (bytes) {
                gsize size = 0;
                const auto* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
                found.push_back({path, std::string(data, size)});
                g_bytes_unref(bytes);
            }
        }
    }
    g_strfreev(children);
}

} // namespace

std::vector<std::string> ProgramFiles(std::uint32_t processId, const std::string& executable)
{
    std::vector<std::string> files{executable};
    const std::string name = executable.substr(executable.rfind('/') + 1);
    std::ifstream maps("/proc/" + std::to_string(processId) + "/maps");
    std::set<std::string> seen{executable};
    std::string line;
    while (!name.empty() && std::getline(maps, line)) {
        const std::size_t path = line.find('/');
        if (path == std::string::npos) {
            continue;
        }
        const std::string file = line.substr(path);
        const std::string fileName = file.substr(file.rfind('/') + 1);
        if (fileName.find(".so") != std::string::npos && file.find(name) != std::string::npos &&
            seen.insert(file).second) {
            files.push_back(file);
        }
    }
    return files;
}

std::vector<ResourceFile> FindShortcutWindows(const std::string& elfPath, ReadBudget& budget)
{
    const FileHandle file(elfPath);
    std::vector<ResourceFile> found;
    std::uint64_t total = 0;
    for (const Section& section : BundleSections(file)) {
        total += section.size;
        if (total > MaxBundleBytes || !budget.Take()) {
            break;
        }
        // 8-byte aligned, as GLib reads it without a copy.
        auto data = std::make_unique<std::uint64_t[]>((section.size + 7) / 8);
        if (!file.ReadAt(data.get(), section.size, section.offset)) {
            continue;
        }
        GBytes* bytes = g_bytes_new_static(data.get(), section.size);
        std::unique_ptr<GResource, ResourceUnref> resource(
            g_resource_new_from_data(bytes, nullptr));
        g_bytes_unref(bytes);
        if (resource) {
            FindInFolder(resource.get(), "/", budget, found, 0);
        }
    }
    return found;
}

} // namespace live
