// Preset files: slider positions of one effect, or of the twelve equalizer bands, stored under a
// name in a folder below the program folder ("Data/Effector/<Type>/", "Data/GEQ/").
//
// Layout: a line of 38 hyphens, the header "# Sorvel <Type> SettingFile #", the hyphens again,
// then one position per line (" 5 ", "-60 "), every line ended by CR LF. Readers skip the first
// three lines and take each value line as a number; lines may end in CR LF, LF or a lone CR.
// Files are written in UTF-8 (they are ASCII) and read as UTF-8 or CP932.
#pragma once

#include "EffectParameters.h"
#include "WindowServices.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sorvel {

struct PresetType {
    std::string_view name;              // folder and header word: "Chorus", "GraphicEqualizer"
    std::string_view extension;         // ".crs"
    std::string_view filterDescription; // "Chorus Settings (*.crs)"
    std::string_view dialogTitle;       // "Save Effector Settings"
    size_t valueCount;
};

const PresetType& EffectPresetType(EffectKind kind);
const PresetType& EqualizerPresetType();

inline constexpr std::string_view kPresetRuleLine = "--------------------------------------";
// "# Sorvel Chorus SettingFile #"
std::string PresetHeaderLine(const PresetType& type);

// The folders, matched ignoring case below the program folder so that a "data\effector" copied
// from Windows is found. They are never created here.
std::filesystem::path EffectPresetFolder(const std::filesystem::path& programFolder,
                                         EffectKind kind);
std::filesystem::path EqualizerPresetFolder(const std::filesystem::path& programFolder);

struct PresetName {
    std::string name;     // shown in the list (UTF-8)
    std::string fileStem; // the file name's bytes without its last four characters
};

// Every file in `folder` (sub-folders and hidden dot-files aside), named by its file name
// without the last four characters whatever its extension; names shorter than four characters
// are skipped. Sorted by name ignoring case, since the folder order on Linux is arbitrary.
// A missing folder gives an empty list.
std::vector<PresetName> ListPresets(const std::filesystem::path& folder);

// The file a listed name loads from: folder + stem + the type's extension (matched ignoring
// case). Empty when the stem could leave the folder ("..", a separator).
std::filesystem::path PresetFile(const std::filesystem::path& folder, std::string_view fileStem,
                                 const PresetType& type);

// A value line as a slider position: the number with surrounding blanks ignored, rounded to
// the nearest integer with ties to even. Nothing for a line that is not a number or does not
// fit a 32-bit integer.
std::optional<int32_t> ParsePresetValue(std::string_view line);

// The type.valueCount values of a preset file; an entry is empty where the line is missing or
// is not a number. A missing or unreadable file gives all empty.
std::vector<std::optional<int32_t>> ReadPresetValues(const std::filesystem::path& file,
                                                     const PresetType& type);

// The whole text of a preset file with these positions.
std::string PresetFileText(const PresetType& type, std::span<const int32_t> positions);

// Creates or replaces `file` as a whole (never half written); false when it cannot be written.
bool WritePresetFile(const std::filesystem::path& file, const PresetType& type,
                     std::span<const int32_t> positions);

// The save dialog's answer with the type's extension added whenever the name lacks it
// ("v1.2" gives "v1.2.geq"); an extension that differs only in case counts as the type's.
std::filesystem::path WithPresetExtension(const std::filesystem::path& chosen,
                                          const PresetType& type);

// The save dialog for a type: its title, its one filter, the preset folder and the extension
// as the default suffix, so that the dialog's own overwrite question sees the real name.
FileDialogRequest PresetSaveRequest(const PresetType& type, const std::filesystem::path& folder);

// "Save": asks for a file and writes `positions` to it with the type's extension. When the
// extension is added after the dialog and names an existing file, the user is asked before it
// is replaced. A file that cannot be written is reported; a cancelled dialog writes nothing.
void SavePreset(const PresetType& type, const std::filesystem::path& folder,
                std::span<const int32_t> positions, FileDialogService& fileDialog,
                MessageBoxService& messageBox);

// The question asked before a preset is deleted.
std::string PresetDeleteQuestion(std::string_view name);
// Asked before a file the save dialog did not ask about is replaced.
std::string PresetOverwriteQuestion(const std::filesystem::path& file);
// Shown when a preset cannot be written.
std::string PresetSaveFailedMessage(const std::filesystem::path& file);

} // namespace sorvel
