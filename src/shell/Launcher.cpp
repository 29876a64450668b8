// The executable. "quorvel --show" while a copy runs only hands the request to it: here, before
// the program and its libraries load, which took most of the time from a key binding's command
// to the overlay. Everything else loads the program, which lies beside the executable, and runs
// it in this process.
#include "platform/linux/InstanceChannel.h"
#include "shell/InstanceRequests.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The program's file beside the executable, and its entry.
constexpr const char* ProgramFile = "quorvel-program.so";
constexpr const char* ProgramEntry = "QuorvelMain";

std::string ExecutableFolder()
{
    char path[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return ".";
    }
    const std::string executable(path, static_cast<std::size_t>(length));
    return executable.substr(0, executable.rfind('/'));
}

bool HandedToRunningCopy(int argc, char** argv)
{
    if (argc != 2 || std::strcmp(argv[1], "--show") != 0) {
        return false;
    }
    return platform::channel::Send(
        platform::channel::RuntimePath(instance::MessageChannel, ".sock"), instance::ShowRequest());
}

} // namespace

int main(int argc, char** argv)
{
    if (HandedToRunningCopy(argc, argv)) {
        return EXIT_SUCCESS;
    }
    const std::string program = ExecutableFolder() + '/' + ProgramFile;
    void* handle = dlopen(program.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "quorvel: cannot load the program: %s\n", dlerror());
        return EXIT_FAILURE;
    }
    using Entry = int (*)(int, char**);
    const auto entry = reinterpret_cast<Entry>(dlsym(handle, ProgramEntry));
    if (!entry) {
        std::fprintf(stderr, "quorvel: %s has no entry: %s\n", program.c_str(), dlerror());
        return EXIT_FAILURE;
    }
    return entry(argc, argv);
}
