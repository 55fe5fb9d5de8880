// Feeds arbitrary bytes to the preset file reader as an effect or equalizer preset, and uses
// them as a preset's file name. What must hold for any input: nothing crashes, every value read
// is the number its line shows, the positions read save and read back unchanged, a preset file
// of any name is listed and found again, and no name reaches outside the preset folder.
#include "PresetFiles.h"
#include "fuzz_support.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <stdlib.h>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

using namespace sorvel;

using fuzzsupport::require;

// Scratch folders for the whole run, removed at exit.
const std::filesystem::path& scratch() {
    static const fuzzsupport::ScratchFolder folder("preset_fuzz");
    static const bool listFolder = std::filesystem::create_directory(folder.path() / "list");
    (void)listFolder;
    return folder.path();
}

const PresetType& typeFor(std::size_t choice) {
    choice %= kEffectKindCount + 1;
    return choice == kEffectKindCount ? EqualizerPresetType()
                                      : EffectPresetType(static_cast<EffectKind>(choice));
}

void writeFile(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    require(out.good());
}

// A value line against the C library's own number reading, which the classic conversion
// follows: whatever is read is that number rounded, and a decimal number whose rounded value
// fits 32 bits is read.
void checkValueLine(std::string_view line) {
    const auto value = ParsePresetValue(line);
    const std::string_view blanks = " \t\r\n\f";
    const auto first = line.find_first_not_of(blanks);
    const std::string text(first == std::string_view::npos
                               ? std::string_view{}
                               : line.substr(first, line.find_last_not_of(blanks) - first + 1));
    char* end = nullptr;
    const double number = std::strtod(text.c_str(), &end);
    const bool whole = !text.empty() && end == text.c_str() + text.size();
    if (value) {
        require(whole && std::nearbyint(number) == *value);
        require(ParsePresetValue(std::to_string(*value)) == value);
    }
    const double rounded = std::nearbyint(number);
    if (whole && text.find_first_not_of("0123456789+-.eE") == std::string::npos &&
        rounded >= std::numeric_limits<std::int32_t>::min() &&
        rounded <= std::numeric_limits<std::int32_t>::max()) {
        require(value == static_cast<std::int32_t>(rounded));
    }
}

void checkReadAndSave(std::string_view bytes, const PresetType& type) {
    const auto file = scratch() / "input.bin";
    writeFile(file, bytes);
    const std::vector<std::optional<std::int32_t>> values = ReadPresetValues(file, type);
    require(values.size() == type.valueCount);

    std::vector<std::int32_t> positions;
    for (const auto& value : values) {
        positions.push_back(value.value_or(0));
    }
    // The text WritePresetFile writes, without its flush to the disk on every run.
    const auto saved = scratch() / "saved.bin";
    writeFile(saved, PresetFileText(type, positions));
    const auto again = ReadPresetValues(saved, type);
    require(again.size() == positions.size());
    for (std::size_t i = 0; i < positions.size(); ++i) {
        require(again[i] == positions[i]);
    }
}

// A preset saved under any name a folder can hold is listed under that name and loads again.
void checkListing(std::string_view bytes, const PresetType& type) {
    std::string stem(bytes.substr(0, 40));
    for (char& c : stem) {
        if (c == '/' || c == '\0') {
            c = '_';
        }
    }
    if (stem.empty() || stem.front() == '.') {
        stem.insert(0, "p");
    }
    const auto folder = scratch() / "list";
    const auto file = folder / (stem + std::string(type.extension));
    writeFile(file, "");
    const std::vector<PresetName> names = ListPresets(folder);
    require(names.size() == 1);
    require(names[0].fileStem == stem);
    require(PresetFile(folder, names[0].fileStem, type) == file);
    std::filesystem::remove(file);

    // Whatever the stem, the file stays inside the folder.
    const auto anyName = PresetFile(folder, bytes.substr(0, 64), type);
    require(anyName.empty() || anyName.parent_path() == folder);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const PresetType& type = typeFor(size);

    for (std::size_t start = 0; start < bytes.size();) {
        const std::size_t end = std::min(bytes.find('\n', start), bytes.size());
        checkValueLine(bytes.substr(start, end - start));
        start = end + 1;
    }
    checkReadAndSave(bytes, type);
    checkListing(bytes, type);
    return 0;
}
