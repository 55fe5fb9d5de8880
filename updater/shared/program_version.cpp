#include "program_version.h"

#include <charconv>
#include <fstream>
#include <vector>

namespace sorvel {
namespace {

constexpr int kPartLimit = 32767;

// The field layout of the two ELF classes: where the header keeps the section table, and where
// a section's name, type, offset and size lie in its entry.
struct ElfLayout {
    std::uint64_t headerSize;
    std::uint64_t sectionTableAt, entrySizeAt, entryCountAt, namesIndexAt;
    unsigned addressBytes; // 4 or 8: the width of offsets and sizes
    std::uint64_t entrySize;
    std::uint64_t offsetAt, sizeAt; // inside a section entry
};

constexpr ElfLayout kElf32{52, 0x20, 0x2E, 0x30, 0x32, 4, 40, 16, 20};
constexpr ElfLayout kElf64{64, 0x28, 0x3A, 0x3C, 0x3E, 8, 64, 24, 32};
constexpr std::uint32_t kSectionNoBits = 8;
constexpr std::uint16_t kExtendedIndex = 0xFFFF;

std::uint64_t littleEndian(const unsigned char* bytes, unsigned count) {
    std::uint64_t value = 0;
    for (unsigned i = count; i-- > 0;) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

// Reads a file's bytes at an offset, refusing anything past its end.
class BoundedFile {
public:
    explicit BoundedFile(const std::filesystem::path& path) : in_(path, std::ios::binary) {
        std::error_code error;
        size_ = std::filesystem::file_size(path, error);
        if (error) {
            size_ = 0;
        }
    }
    bool holds(std::uint64_t offset, std::uint64_t count) const {
        return offset <= size_ && count <= size_ - offset;
    }
    bool read(std::uint64_t offset, unsigned char* out, std::uint64_t count) {
        if (!in_ || !holds(offset, count)) {
            return false;
        }
        in_.seekg(static_cast<std::streamoff>(offset));
        in_.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(count));
        return static_cast<std::uint64_t>(in_.gcount()) == count;
    }
    std::optional<std::uint64_t> number(std::uint64_t offset, unsigned count) {
        unsigned char bytes[8];
        if (!read(offset, bytes, count)) {
            return std::nullopt;
        }
        return littleEndian(bytes, count);
    }

private:
    std::ifstream in_;
    std::uint64_t size_ = 0;
};

struct Section {
    std::uint32_t name = 0;
    std::uint32_t type = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

std::optional<Section> sectionAt(BoundedFile& file, const ElfLayout& elf, std::uint64_t table,
                                 std::uint64_t index) {
    const std::uint64_t at = table + index * elf.entrySize;
    const auto name = file.number(at, 4);
    const auto type = file.number(at + 4, 4);
    const auto offset = file.number(at + elf.offsetAt, elf.addressBytes);
    const auto size = file.number(at + elf.sizeAt, elf.addressBytes);
    if (!name || !type || !offset || !size) {
        return std::nullopt;
    }
    return Section{static_cast<std::uint32_t>(*name), static_cast<std::uint32_t>(*type), *offset,
                   *size};
}

} // namespace

std::optional<ProgramVersion> parseProgramVersion(std::string_view text) {
    ProgramVersion version;
    size_t part = 0;
    while (part < version.parts.size()) {
        const size_t dot = text.find('.');
        const std::string_view digits = text.substr(0, dot);
        int value = -1;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (digits.empty() || digits.size() > 5 || error != std::errc() ||
            end != digits.data() + digits.size() || value < 0 || value > kPartLimit) {
            return std::nullopt;
        }
        version.parts[part++] = static_cast<int16_t>(value);
        const bool last = part == version.parts.size();
        if ((dot == std::string_view::npos) != last) {
            return std::nullopt; // too few or too many parts
        }
        if (!last) {
            text.remove_prefix(dot + 1);
        }
    }
    return version;
}

std::string versionText(const ProgramVersion& version) {
    std::string text;
    for (const int16_t part : version.parts) {
        if (!text.empty()) {
            text += '.';
        }
        text += std::to_string(part);
    }
    return text;
}

bool isNewer(const ProgramVersion& candidate, const ProgramVersion& installed) {
    for (size_t i = 0; i < candidate.parts.size(); ++i) {
        if (candidate.parts[i] != installed.parts[i]) {
            return candidate.parts[i] > installed.parts[i];
        }
    }
    return false;
}

std::optional<MarkerPlace> findVersionMarker(const std::filesystem::path& program) {
    BoundedFile file(program);
    unsigned char ident[6];
    if (!file.read(0, ident, sizeof ident) || ident[0] != 0x7F || ident[1] != 'E' ||
        ident[2] != 'L' || ident[3] != 'F' || ident[5] != 1 /* little-endian */) {
        return std::nullopt;
    }
    const ElfLayout* layout = ident[4] == 1 ? &kElf32 : ident[4] == 2 ? &kElf64 : nullptr;
    if (layout == nullptr) {
        return std::nullopt;
    }
    const ElfLayout& elf = *layout;
    const auto table = file.number(elf.sectionTableAt, elf.addressBytes);
    const auto entrySize = file.number(elf.entrySizeAt, 2);
    const auto count = file.number(elf.entryCountAt, 2);
    const auto namesIndex = file.number(elf.namesIndexAt, 2);
    if (!table || !entrySize || !count || !namesIndex || *entrySize != elf.entrySize ||
        *namesIndex >= *count || *namesIndex == kExtendedIndex ||
        !file.holds(*table, *count * elf.entrySize)) {
        return std::nullopt;
    }
    const auto names = sectionAt(file, elf, *table, *namesIndex);
    if (!names || !file.holds(names->offset, names->size)) {
        return std::nullopt;
    }
    std::vector<unsigned char> name(kVersionSection.size() + 1);
    for (std::uint64_t index = 0; index < *count; ++index) {
        const auto section = sectionAt(file, elf, *table, index);
        if (!section || section->type == kSectionNoBits || section->name > names->size ||
            names->size - section->name < name.size() ||
            !file.read(names->offset + section->name, name.data(), name.size())) {
            continue;
        }
        if (name.back() == '\0' &&
            std::string_view(reinterpret_cast<const char*>(name.data()), name.size() - 1) ==
                kVersionSection &&
            file.holds(section->offset, section->size)) {
            return MarkerPlace{section->offset, section->size};
        }
    }
    return std::nullopt;
}

std::optional<std::string> readVersionMarker(const std::filesystem::path& program) {
    const auto place = findVersionMarker(program);
    if (!place || place->size == 0 || place->size > kVersionMarkerSize) {
        return std::nullopt;
    }
    std::string text(place->size, '\0');
    BoundedFile file(program);
    if (!file.read(place->offset, reinterpret_cast<unsigned char*>(text.data()), place->size)) {
        return std::nullopt;
    }
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    return text;
}

std::optional<ProgramVersion> programVersionOf(const std::filesystem::path& program) {
    const auto marker = readVersionMarker(program);
    return marker ? parseProgramVersion(*marker) : std::nullopt;
}

} // namespace sorvel
