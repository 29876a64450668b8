#pragma once

#include "platform/Platform.h"

#include <memory>

class QLocalServer;
class QSocketNotifier;

namespace platform {

namespace xkb {
class KeyMapping;
}

// What Linux offers whatever display server runs: /proc, flock, a local socket, XDG folders,
// Qt's desktop services and signals. A backend for a display server derives from it and adds the
// keyboard and the windows; the key questions a layout answers are answered here from the
// backend's key mapping.
class LinuxSystem : public Platform
{
public:
    LinuxSystem();
    ~LinuxSystem() override;
    LinuxSystem(const LinuxSystem&) = delete;
    LinuxSystem& operator=(const LinuxSystem&) = delete;

    std::uint32_t GetCurrentProcessId() override;
    std::vector<std::uint32_t> EnumProcesses() override;
    std::string GetProcessModulePath(std::uint32_t processId) override;
    bool IsOwnProcess(std::uint32_t processId) override;
    std::string GetProcessDesktopId(std::uint32_t processId) override;
    std::string GetExecutablePath() override;
    int OpenNamedMutex(const std::string& name, bool& alreadyExists) override;
    void CloseNamedMutex(int handle) override;
    bool ListenForMessages(const std::string& channel, MessageHandler onMessage) override;
    bool SendMessageToFirstCopy(const std::string& channel, const std::string& message) override;
    std::optional<std::string> AskFirstCopy(const std::string& channel, const std::string& message,
                                            int timeoutMs) override;
    std::string GetSpecialFolder(SpecialFolderKind kind) override;
    bool ShellOpen(const std::string& target) override;
    bool OpenFile(const std::string& path, std::function<void()> onFailure) override;
    std::optional<std::string> RunProgram(const std::string& program,
                                          const std::vector<std::string>& arguments,
                                          int timeoutMs) override;
    void OnTerminationRequest(std::function<void()> handler) override;

    std::string GetKeyBindingName(std::uint16_t code) override;
    std::uint16_t GetKeyOfBindingName(const std::string& name) override;
    std::optional<KeyCap> GetKeyCap(std::uint16_t code) override;
    std::uint16_t GetKeyAtPosition(std::uint16_t position) override;
    std::optional<CharacterKey> GetKeyOfCharacter(char32_t character) override;
    KeyboardShape GetKeyboardShape() override;

protected:
    // The key mapping of the active layout.
    virtual const xkb::KeyMapping& Mapping() const = 0;

private:
    std::unique_ptr<QLocalServer> server_;
    std::unique_ptr<QSocketNotifier> termination_;
};

} // namespace platform
