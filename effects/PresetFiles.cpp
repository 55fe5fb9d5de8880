#include "PresetFiles.h"

#include "WindowsPath.h"
#include "atomic_write.h"
#include "text_encoding.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>

namespace sorvel {

namespace {

constexpr const char* kPresetMessageCaption = "Sorvel";

const std::array<PresetType, kEffectKindCount> kEffectTypes = {{
    {"Distortion", ".dst", "Distortion Settings (*.dst)", "Save Effector Settings", 1},
    {"Chorus", ".crs", "Chorus Settings (*.crs)", "Save Effector Settings", 8},
    {"Echo", ".eho", "Echo Settings (*.eho)", "Save Effector Settings", 5},
    {"HighPass", ".hps", "HighPass Settings (*.hps)", "Save Effector Settings", 2},
    {"LowPass", ".lps", "LowPass Settings (*.lps)", "Save Effector Settings", 2},
    {"Flange", ".flg", "Flange Settings (*.flg)", "Save Effector Settings", 4},
    {"Compressor", ".cmp", "Compressor Settings (*.cmp)", "Save Effector Settings", 4},
    {"Reverb", ".rvb", "Reverb Settings (*.rvb)", "Save Effector Settings", 6},
}};

const PresetType kEqualizerType = {"GraphicEqualizer", ".geq", "GraphicEqualizer (*.geq)",
                                   "Save GraphicEqualizer Presets", 12};

// A preset file is a few dozen bytes; more than this is not a preset, and reading it all would
// only cost memory.
constexpr std::streamsize kMaxPresetBytes = 64 * 1024;

// Byte offsets where the characters of `text` start, in UTF-8 when it is valid UTF-8, else in
// CP932 (a lead byte takes the next byte with it only when that can follow a lead byte, so a
// stray lead byte before ".crs" does not swallow the dot).
std::vector<size_t> characterStarts(std::string_view text) {
    std::vector<size_t> starts;
    const bool utf8 = text::isValidUtf8(text);
    for (size_t i = 0; i < text.size();) {
        starts.push_back(i);
        const auto byte = static_cast<unsigned char>(text[i]);
        ++i;
        if (utf8) {
            while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) {
                ++i;
            }
        } else if (text::isCp932LeadByte(byte) && i < text.size() &&
                   text::isCp932TrailByte(static_cast<unsigned char>(text[i]))) {
            ++i;
        }
    }
    return starts;
}

std::string foldAscii(std::string_view text) {
    std::string folded(text);
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return folded;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// Digits with an optional fraction and exponent, as the classic number conversion reads them.
bool looksLikeNumber(std::string_view text) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    size_t digits = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        size_t exponentDigits = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0) {
            return false;
        }
    }
    return i == text.size();
}

// For a number text (as looksLikeNumber accepts) that a double cannot hold: true when it is too
// small, so that it rounds to 0, rather than too large. Its decimal magnitude decides: the place
// of the first significant digit plus the exponent.
bool isTinyNumber(std::string_view text) {
    size_t i = text.front() == '+' || text.front() == '-' ? 1 : 0;
    while (i < text.size() && text[i] == '0') {
        ++i;
    }
    int64_t magnitude = -1;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        ++magnitude;
        ++i;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
            if (magnitude < 0 && text[i] == '0') {
                --magnitude; // zeros between the point and the first significant digit
            } else if (magnitude < 0) {
                break;
            }
        }
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            ++i;
        }
    }
    int64_t exponent = 0;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            negativeExponent = text[i] == '-';
            ++i;
        }
        for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
            exponent = std::min<int64_t>(exponent * 10 + (text[i] - '0'), 1'000'000'000);
        }
    }
    return magnitude + (negativeExponent ? -exponent : exponent) < 0;
}

} // namespace

const PresetType& EffectPresetType(EffectKind kind) {
    return kEffectTypes[static_cast<size_t>(kind)];
}

const PresetType& EqualizerPresetType() {
    return kEqualizerType;
}

std::string PresetHeaderLine(const PresetType& type) {
    return "# Sorvel " + std::string(type.name) + " SettingFile #";
}

std::filesystem::path EffectPresetFolder(const std::filesystem::path& programFolder,
                                         EffectKind kind) {
    return findPathIgnoringCase(programFolder / "Data" / "Effector" /
                                std::string(EffectPresetType(kind).name));
}

std::filesystem::path EqualizerPresetFolder(const std::filesystem::path& programFolder) {
    return findPathIgnoringCase(programFolder / "Data" / "GEQ");
}

std::vector<PresetName> ListPresets(const std::filesystem::path& folder) {
    std::vector<PresetName> names;
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::string fileName = it->path().filename().string();
        std::error_code typeError;
        if (fileName.empty() || fileName.front() == '.' || !it->is_regular_file(typeError)) {
            continue;
        }
        const std::vector<size_t> starts = characterStarts(fileName);
        if (starts.size() < 4) {
            continue;
        }
        const std::string stem = fileName.substr(0, starts[starts.size() - 4]);
        names.push_back({text::utf8OrCp932(stem), stem});
    }
    std::sort(names.begin(), names.end(), [](const PresetName& a, const PresetName& b) {
        const std::string foldedA = foldAscii(a.name);
        const std::string foldedB = foldAscii(b.name);
        return foldedA != foldedB ? foldedA < foldedB : a.fileStem < b.fileStem;
    });
    return names;
}

std::filesystem::path PresetFile(const std::filesystem::path& folder, std::string_view fileStem,
                                 const PresetType& type) {
    const std::string fileName = std::string(fileStem) + std::string(type.extension);
    if (fileName.find('/') != std::string::npos || fileName.find('\0') != std::string::npos ||
        fileName == "." || fileName == "..") {
        return {};
    }
    return findPathIgnoringCase(folder / fileName);
}

std::optional<int32_t> ParsePresetValue(std::string_view line) {
    while (!line.empty() && isBlank(line.front())) {
        line.remove_prefix(1);
    }
    while (!line.empty() && isBlank(line.back())) {
        line.remove_suffix(1);
    }
    if (!looksLikeNumber(line)) {
        return std::nullopt;
    }
    if (line.front() == '+') {
        line.remove_prefix(1); // from_chars takes no plus sign
    }
    double value = 0;
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), value);
    if (error == std::errc::result_out_of_range && end == line.data() + line.size() &&
        isTinyNumber(line)) {
        return 0; // "1e-400" is a number, too small for a double: the classic conversion gives 0
    }
    if (error != std::errc{} || end != line.data() + line.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    const double rounded = std::nearbyint(value); // the default rounding: ties to even
    if (rounded < std::numeric_limits<int32_t>::min() ||
        rounded > std::numeric_limits<int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<int32_t>(rounded);
}

std::vector<std::optional<int32_t>> ReadPresetValues(const std::filesystem::path& file,
                                                     const PresetType& type) {
    std::vector<std::optional<int32_t>> values(type.valueCount);
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return values;
    }
    std::string bytes(static_cast<size_t>(kMaxPresetBytes), '\0');
    in.read(bytes.data(), kMaxPresetBytes);
    bytes.resize(static_cast<size_t>(in.gcount()));
    const std::string text = text::utf8OrCp932(bytes);

    // Lines may end in CR LF, LF or a lone CR, as playlists may.
    const std::vector<std::string_view> lines = text::splitLines(text);
    constexpr size_t kHeaderLines = 3;
    for (size_t i = 0; i < values.size() && kHeaderLines + i < lines.size(); ++i) {
        values[i] = ParsePresetValue(lines[kHeaderLines + i]);
    }
    return values;
}

std::string PresetFileText(const PresetType& type, std::span<const int32_t> positions) {
    std::string text;
    text += kPresetRuleLine;
    text += "\r\n";
    text += PresetHeaderLine(type);
    text += "\r\n";
    text += kPresetRuleLine;
    text += "\r\n";
    for (const int32_t position : positions) {
        // Numbers are written as the classic print statement writes them: a space where a plus
        // sign would be, and one after.
        if (position >= 0) {
            text += ' ';
        }
        text += std::to_string(position);
        text += " \r\n";
    }
    return text;
}

bool WritePresetFile(const std::filesystem::path& file, const PresetType& type,
                     std::span<const int32_t> positions) {
    if (file.empty()) {
        return false;
    }
    return writeFileAtomically(file, PresetFileText(type, positions));
}

std::filesystem::path WithPresetExtension(const std::filesystem::path& chosen,
                                          const PresetType& type) {
    if (!chosen.has_filename()) {
        return chosen;
    }
    // The extension compares ignoring case, as the preset is found when loaded.
    const std::string name = chosen.filename().string();
    const std::string_view extension = type.extension;
    if (name.size() > extension.size() &&
        foldAscii(std::string_view(name).substr(name.size() - extension.size())) ==
            foldAscii(extension)) {
        return chosen;
    }
    std::filesystem::path withExtension = chosen;
    withExtension += std::string(extension);
    return withExtension;
}

FileDialogRequest PresetSaveRequest(const PresetType& type, const std::filesystem::path& folder) {
    FileDialogRequest request;
    request.save = true;
    request.title = std::string(type.dialogTitle);
    request.filters = {{std::string(type.filterDescription), "*" + std::string(type.extension)}};
    request.initialFolder = folder.string();
    request.defaultSuffix = std::string(type.extension.substr(1));
    return request;
}

void SavePreset(const PresetType& type, const std::filesystem::path& folder,
                std::span<const int32_t> positions, FileDialogService& fileDialog,
                MessageBoxService& messageBox) {
    const auto chosen = fileDialog.choose(PresetSaveRequest(type, folder));
    if (!chosen) {
        return;
    }
    const std::filesystem::path file = WithPresetExtension(*chosen, type);
    std::error_code error;
    // The dialog asked about the name it returned; a name made longer here is asked about now.
    if (file != std::filesystem::path(*chosen) && std::filesystem::exists(file, error) &&
        messageBox.show(PresetOverwriteQuestion(file), kPresetMessageCaption, MessageButtons::YesNo,
                        MessageIcon::Exclamation) != MessageAnswer::Yes) {
        return;
    }
    if (!WritePresetFile(file, type, positions)) {
        messageBox.show(PresetSaveFailedMessage(file), kPresetMessageCaption, MessageButtons::Ok,
                        MessageIcon::Exclamation);
    }
}

std::string PresetDeleteQuestion(std::string_view name) {
    return std::string(name) + " を削除します。\r\nよろしいですか？";
}

std::string PresetOverwriteQuestion(const std::filesystem::path& file) {
    return text::utf8OrCp932(file.filename().string()) + " は既に存在します。\r\n上書きしますか？";
}

std::string PresetSaveFailedMessage(const std::filesystem::path& file) {
    return "プリセットを保存できませんでした。\r\n" + file.string();
}

} // namespace sorvel
