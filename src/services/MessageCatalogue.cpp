#include "services/MessageCatalogue.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>

namespace {

constexpr std::uint32_t Magic = 0x950412de;
constexpr std::uint32_t SwappedMagic = 0xde120495;

// A catalogue file's bytes with its 32-bit words read in the byte order its magic number shows.
class CatalogueBytes
{
public:
    explicit CatalogueBytes(std::string bytes) : bytes_(std::move(bytes)) {}

    std::optional<std::uint32_t> Word(std::uint64_t offset, bool swapped) const
    {
        if (offset + 4 > bytes_.size()) {
            return std::nullopt;
        }
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const auto byte = static_cast<unsigned char>(bytes_[offset + (swapped ? i : 3 - i)]);
            value = (value << 8) | byte;
        }
        return value;
    }

    // The string a (length, offset) descriptor at offset names.
    std::optional<std::string> String(std::uint64_t descriptor, bool swapped) const
    {
        const auto length = Word(descriptor, swapped);
        const auto start = Word(descriptor + 4, swapped);
        if (!length || !start || std::uint64_t(*start) + *length > bytes_.size()) {
            return std::nullopt;
        }
        return bytes_.substr(*start, *length);
    }

private:
    std::string bytes_;
};

} // namespace

std::unordered_map<std::string, std::string> ReadMessageCatalogue(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const CatalogueBytes bytes{std::string(std::istreambuf_iterator<char>(in), {})};
    std::unordered_map<std::string, std::string> messages;
    // Little-endian words by default; a big-endian file shows its magic number swapped.
    const auto magic = bytes.Word(0, false);
    if (!magic || (*magic != Magic && *magic != SwappedMagic)) {
        return messages;
    }
    const bool swapped = *magic == SwappedMagic;
    const auto count = bytes.Word(8, swapped);
    const auto originals = bytes.Word(12, swapped);
    const auto translations = bytes.Word(16, swapped);
    if (!count || !originals || !translations) {
        return messages;
    }
    for (std::uint64_t i = 0; i < *count; ++i) {
        const auto id = bytes.String(*originals + 8 * i, swapped);
        const auto str = bytes.String(*translations + 8 * i, swapped);
        if (!id || !str) {
            return {};
        }
        if (!id->empty()) {
            messages.emplace(*id, *str);
        }
    }
    return messages;
}
