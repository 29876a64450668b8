#include "platform/Platform.h"

#include <stdexcept>

namespace platform {

namespace {
Platform* installed = nullptr;
}

Platform& Get()
{
    if (!installed) {
        throw std::logic_error("no platform installed");
    }
    return *installed;
}

std::string Platform::GetHotKeyDescription()
{
    return {};
}

void Platform::WatchHotKeyDescription(std::function<void()>) {}

std::string Platform::GetTriggerConfigLine(std::uint32_t, std::uint16_t)
{
    return {};
}

std::optional<KeyCap> Platform::GetKeyCap(std::uint16_t)
{
    return std::nullopt;
}

std::uint16_t Platform::GetKeyAtPosition(std::uint16_t position)
{
    return position;
}

std::optional<CharacterKey> Platform::GetKeyOfCharacter(char32_t)
{
    return std::nullopt;
}

KeyboardShape Platform::GetKeyboardShape()
{
    return KeyboardShape::Iso;
}

std::uint64_t Platform::GetKeyboardLayoutRevision()
{
    return 0;
}

Platform::MenuExport Platform::GetWindowMenuExport(WindowId)
{
    return {};
}

void Platform::OverlayMapped(WindowId) {}

bool Platform::HasOverlaySurface()
{
    return false;
}

void Platform::PresentOverlay(const OverlayPicture&) {}

void Platform::HideOverlaySurface() {}

void Platform::WatchOverlaySurface(std::function<void(const OverlayPointer&)>,
                                   std::function<void()>)
{
}

Platform::ShellExtension Platform::GetShellExtension()
{
    return {};
}

bool Platform::DesktopBindsTrigger()
{
    return false;
}

Platform* Installed()
{
    return installed;
}

void Install(Platform* instance)
{
    installed = instance;
}

} // namespace platform
