#include "FileAssociations.h"

#include "atomic_write.h"
#include "desktop_entry.h"

#include <QProcess>
#include <QString>
#include <algorithm>
#include <cctype>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <vector>

namespace sorvel {
namespace fs = std::filesystem;

namespace {

using Kind = AssociationKind;

constexpr std::array<AssociationEntry, kAssociationEntryCount> kEntries = {{
    {"Apple Interchange File", "(*.aif *.aiff *.aifc)", {"aif", "aiff", "aifc"}, Kind::Music},
    {"Wave Format", "(*.wav)", {"wav"}, Kind::Music},
    {"Mpeg Audio Format", "(*.mp2 *.mp3)", {"mp2", "mp3"}, Kind::Music},
    {"Mpeg Video Format", "(*.mpg *.mpeg)", {"mpg", "mpeg"}, Kind::Movie},
    {"Windows Media Audio", "(*.wma)", {"wma"}, Kind::Music},
    {"Windows Media Video", "(*.wmv)", {"wmv"}, Kind::Movie},
    {"Ogg Vorbis Music Format", "(*.ogg)", {"ogg"}, Kind::Music},
    {"Ogg Vorbis Video Format", "(*.ogm)", {"ogm"}, Kind::Movie},
    {"MIDI Direct Music", "(*.mid *.midi)", {"mid", "midi"}, Kind::Music},
    {"Video Format", "(*.avi)", {"avi"}, Kind::Movie},
    {"Downloadable Sounds", "(*.dls)", {"dls"}, Kind::Music},
    {"FLAC Audio Format", "(*.flac)", {"flac"}, Kind::Music},
    {"MOD Media FastTracker", "(*.mod)", {"mod"}, Kind::Music},
    {"MOD Media FastTrackerⅡ", "(*.xm)", {"xm"}, Kind::Music},
    {"InpulseTracker", "(*.it)", {"it"}, Kind::Music},
    {"ScreamTrackerⅢ", "(*.s3m)", {"s3m"}, Kind::Music},
    {"PCM Raw Data", "(*.raw)", {"raw"}, Kind::Music},
    {"PS Single Waveform Data", "(*.vag)", {"vag"}, Kind::Music},
    {"M3U Playlist File", "(*.m3u)", {"m3u"}, Kind::Playlist},
    {"Winamp Playlist File", "(*.pls)", {"pls"}, Kind::Playlist},
}};

struct ExtensionTypes {
    std::string_view extension;
    std::array<std::string_view, 2> types; // an unused one empty
};

// A desktop looks a default up by the type it detects a file as, so each extension names the
// shared MIME database's canonical types (not their aliases) for it.
constexpr ExtensionTypes kExtensionTypes[] = {
    {"aif", {"audio/x-aiff"}},
    {"aiff", {"audio/x-aiff"}},
    {"aifc", {"audio/x-aifc"}},
    {"wav", {"audio/x-wav"}},
    {"mp2", {"audio/mp2"}},
    {"mp3", {"audio/mpeg"}},
    {"mpg", {"video/mpeg"}},
    {"mpeg", {"video/mpeg"}},
    {"wma", {"audio/x-ms-wma"}},
    {"wmv", {"video/x-ms-wmv"}},
    // An *.ogg file is told apart by its content: Vorbis, or Ogg audio in general.
    {"ogg", {"audio/ogg", "audio/x-vorbis+ogg"}},
    {"ogm", {"video/x-ogm+ogg"}},
    {"mid", {"audio/midi"}},
    {"midi", {"audio/midi"}},
    {"avi", {"video/x-msvideo"}},
    {"dls", {"audio/dls"}},
    {"flac", {"audio/flac"}},
    {"mod", {"audio/x-mod"}},
    {"xm", {"audio/x-xm"}},
    {"it", {"audio/x-it"}},
    {"s3m", {"audio/x-s3m"}},
    // The shared database gives *.raw to cameras' raw pictures; a type of our own, never
    // declared for *.raw, takes no photographs over.
    {"raw", {"audio/x-raw-pcm"}},
    {"vag", {"audio/x-vag"}},
    {"m3u", {"audio/x-mpegurl"}},
    {"pls", {"audio/x-scpls"}},
};

// Types the shared MIME database does not know: declared in the user's own MIME folder, or no
// desktop would ever detect a file as them.
struct DeclaredType {
    std::string_view type;
    std::string_view comment;
    std::string_view glob;
};
constexpr DeclaredType kDeclaredTypes[] = {
    {"audio/dls", "Downloadable Sounds", "*.dls"},
    {"audio/x-vag", "PS Single Waveform Data", "*.vag"},
};

constexpr std::string_view kDesktopId = "sorvel.desktop";
constexpr std::string_view kDefaults = "Default Applications";
constexpr std::string_view kAdded = "Added Associations";
constexpr std::string_view kRemoved = "Removed Associations";
// The refresh tools take milliseconds on the user's folders; one that hangs is not waited for.
constexpr int kToolStartMs = 2000;
constexpr int kToolRunMs = 10000;

void addOnce(std::vector<std::string_view>& list, std::string_view type) {
    if (std::find(list.begin(), list.end(), type) == list.end()) {
        list.push_back(type);
    }
}

std::vector<std::string_view> typesOf(const AssociationEntry& entry) {
    std::vector<std::string_view> types;
    for (std::string_view extension : entry.extensions) {
        for (const ExtensionTypes& row : kExtensionTypes) {
            if (!extension.empty() && row.extension == extension) {
                for (std::string_view type : row.types) {
                    if (!type.empty()) {
                        addOnce(types, type);
                    }
                }
            }
        }
    }
    return types;
}

std::string_view trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return std::tolower(x) == std::tolower(y);
    });
}

std::vector<std::string> splitIds(std::string_view value) {
    std::vector<std::string> ids;
    while (!value.empty()) {
        const size_t semicolon = value.find(';');
        const std::string_view id = trimmed(value.substr(0, semicolon));
        if (!id.empty()) {
            ids.emplace_back(id);
        }
        value =
            semicolon == std::string_view::npos ? std::string_view() : value.substr(semicolon + 1);
    }
    return ids;
}

std::string joinIds(const std::vector<std::string>& ids) {
    std::string value;
    for (const std::string& id : ids) {
        value += id + ';';
    }
    return value;
}

// mimeapps.list as its lines, edited in place: a line the player does not change keeps its
// bytes, so comments, other programs' entries, unknown groups and odd lines all survive.
class MimeAppsList {
public:
    explicit MimeAppsList(std::string_view text) {
        while (!text.empty()) {
            const size_t end = text.find('\n');
            Line line{std::string(text.substr(0, end)), false, end != std::string_view::npos};
            if (!line.body.empty() && line.body.back() == '\r') {
                line.body.pop_back();
                line.cr = true;
            }
            lines_.push_back(std::move(line));
            text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        }
    }

    std::string text() const {
        std::string text;
        for (const Line& line : lines_) {
            text += line.body + (line.cr ? "\r" : "") + (line.newline ? "\n" : "");
        }
        return text;
    }

    // The desktop ids listed for `type` in `group`; of several such lines the last, as readers
    // take it.
    std::vector<std::string> ids(std::string_view group, std::string_view type) const {
        std::vector<std::string> ids;
        forEachKey(group, type, [&](size_t, std::string_view, std::string_view value) {
            ids = splitIds(value);
        });
        return ids;
    }

    // Runs `change` on the ids of every line for `type` in `group` and rewrites the lines it
    // changed (a line left with no ids goes). With no such line, a line is added to the group
    // (the group too, when missing) if `change` makes an empty list into something.
    void edit(std::string_view group, std::string_view type,
              const std::function<void(std::vector<std::string>&)>& change) {
        bool found = false;
        std::vector<size_t> emptied;
        forEachKey(group, type, [&](size_t i, std::string_view key, std::string_view value) {
            found = true;
            const std::vector<std::string> before = splitIds(value);
            std::vector<std::string> after = before;
            change(after);
            if (after == before) {
                return;
            }
            if (after.empty()) {
                emptied.push_back(i);
            } else {
                lines_[i].body = std::string(key) + '=' + joinIds(after);
            }
        });
        for (auto i = emptied.rbegin(); i != emptied.rend(); ++i) {
            lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*i));
        }
        if (!found) {
            std::vector<std::string> added;
            change(added);
            if (!added.empty()) {
                addLine(group, std::string(type) + '=' + joinIds(added));
            }
        }
    }

private:
    struct Line {
        std::string body; // without its line end
        bool cr = false;
        bool newline = true;
    };

    static std::optional<std::string_view> groupName(std::string_view body) {
        const std::string_view text = trimmed(body);
        if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
            return text.substr(1, text.size() - 2);
        }
        return std::nullopt;
    }

    template <class Visit>
    void forEachKey(std::string_view group, std::string_view type, Visit&& visit) const {
        bool inGroup = false;
        for (size_t i = 0; i < lines_.size(); ++i) {
            const std::string_view body = lines_[i].body;
            if (const auto name = groupName(body)) {
                inGroup = *name == group;
                continue;
            }
            const size_t equals = body.find('=');
            if (!inGroup || equals == std::string_view::npos || trimmed(body).starts_with('#')) {
                continue;
            }
            const std::string_view key = trimmed(body.substr(0, equals));
            if (equalIgnoringCase(key, type)) {
                visit(i, key, body.substr(equals + 1));
            }
        }
    }

    // After the last non-blank line of the group's first block, or in a new group at the end.
    void addLine(std::string_view group, std::string body) {
        std::optional<size_t> at;
        bool cr = false;
        for (size_t i = 0; i < lines_.size(); ++i) {
            const auto name = groupName(lines_[i].body);
            if (at && name) {
                break;
            }
            if (!at && name && *name == group) {
                at = i + 1;
                cr = lines_[i].cr;
            } else if (at && !trimmed(lines_[i].body).empty()) {
                at = i + 1;
            }
        }
        if (!at) {
            cr = !lines_.empty() && lines_.back().cr;
            if (!lines_.empty() && !trimmed(lines_.back().body).empty()) {
                lines_.push_back({"", cr, true});
            }
            lines_.push_back({"[" + std::string(group) + "]", cr, true});
            at = lines_.size();
        }
        if (*at > 0) {
            lines_[*at - 1].newline = true; // a last line without its line end gets one
        }
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*at),
                      {std::move(body), cr, true});
    }

    std::vector<Line> lines_;
};

// The file's bytes; nothing when it cannot be read, an empty text when it does not exist.
std::optional<std::string> readIfPresent(const fs::path& file) {
    std::error_code error;
    if (!fs::exists(file, error)) {
        return error ? std::nullopt : std::optional<std::string>(std::string());
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Writes `text` unless the file already holds it; `changed` tells which happened.
bool writeIfDifferent(const fs::path& file, const std::string& text, bool& changed) {
    changed = readIfPresent(file) != text;
    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    return !changed || writeFileAtomically(file, text);
}

// Runs a desktop refresh tool when it is installed; a missing one fails to start at once.
void runTool(const char* tool, const fs::path& folder) {
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(QString::fromLatin1(tool), {QString::fromStdString(folder.string())});
    if (!process.waitForStarted(kToolStartMs)) {
        return;
    }
    if (!process.waitForFinished(kToolRunMs)) {
        process.kill();
        process.waitForFinished(kToolStartMs);
    }
}

} // namespace

const std::array<AssociationEntry, kAssociationEntryCount>& associationEntries() {
    return kEntries;
}

std::string associationListText(const AssociationEntry& entry) {
    return std::string(entry.description) + '\t' + std::string(entry.pattern);
}

std::string mimeTypesPackageText() {
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
    for (const DeclaredType& declared : kDeclaredTypes) {
        text += "  <mime-type type=\"" + std::string(declared.type) + "\">\n    <comment>" +
                std::string(declared.comment) + "</comment>\n    <glob pattern=\"" +
                std::string(declared.glob) + "\"/>\n  </mime-type>\n";
    }
    return text + "</mime-info>\n";
}

namespace {

// The desktop entry with `execProgram` as its Exec value's program: "%U" hands over files and
// addresses, several at a time.
std::string desktopEntryWith(const std::string& execProgram) {
    std::vector<std::string_view> types;
    for (const AssociationEntry& entry : kEntries) {
        for (std::string_view type : typesOf(entry)) {
            addOnce(types, type);
        }
    }
    std::string text = "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=Sorvel\n"
                       "GenericName=Media Player\n"
                       "GenericName[ja]=メディアプレーヤー\n"
                       "Comment=Play music, playlists, Internet radio and audio CDs\n"
                       "Comment[ja]=音楽、プレイリスト、インターネットラジオ、音楽CDを再生します\n"
                       "Keywords=audio;music;player;playlist;radio;mp3;ogg;flac;midi;\n"
                       "Exec=" +
                       execProgram +
                       " %U\n"
                       "Icon=sorvel\n"
                       "Terminal=false\n"
                       "Categories=AudioVideo;Audio;Player;\n"
                       "MimeType=";
    for (std::string_view type : types) {
        text += std::string(type) + ';';
    }
    return text + '\n';
}

} // namespace

std::string desktopEntryText(const fs::path& program) {
    return desktopEntryWith(desktopExecValue(program));
}

std::string installedDesktopEntryText() {
    return desktopEntryWith("sorvel");
}

FileAssociations::FileAssociations(fs::path dataHome, fs::path configHome, fs::path program)
    : dataHome_(std::move(dataHome)), configHome_(std::move(configHome)),
      program_(std::move(program)) {}

FileAssociations FileAssociations::forCurrentUser(fs::path program) {
    return FileAssociations(xdgDataHome(), xdgConfigHome(), std::move(program));
}

std::array<bool, kAssociationEntryCount> FileAssociations::Read() const {
    const MimeAppsList list(readIfPresent(configHome_ / "mimeapps.list").value_or(""));
    std::array<bool, kAssociationEntryCount> ours{};
    for (size_t i = 0; i < kEntries.size(); ++i) {
        const std::vector<std::string_view> types = typesOf(kEntries[i]);
        ours[i] = std::all_of(types.begin(), types.end(), [&](std::string_view type) {
            const std::vector<std::string> ids = list.ids(kDefaults, type);
            return !ids.empty() && ids.front() == kDesktopId;
        });
    }
    return ours;
}

bool FileAssociations::Apply(const std::array<bool, kAssociationEntryCount>& selected) {
    const fs::path applications = dataHome_ / "applications";
    const fs::path mime = dataHome_ / "mime";
    bool entryChanged = false; // the desktop database is refreshed all the same: it may be stale
    bool packageChanged = false;
    if (!writeIfDifferent(applications / kDesktopId, desktopEntryText(program_), entryChanged) ||
        !writeIfDifferent(mime / "packages" / "sorvel.xml", mimeTypesPackageText(),
                          packageChanged)) {
        return false;
    }

    const fs::path listFile = configHome_ / "mimeapps.list";
    const std::optional<std::string> old = readIfPresent(listFile);
    if (!old) {
        return false; // rewriting a file we cannot read would lose what it holds
    }
    MimeAppsList list(*old);
    const std::string id(kDesktopId);
    auto withoutOurs = [&id](std::vector<std::string>& ids) { std::erase(ids, id); };
    for (size_t i = 0; i < kEntries.size(); ++i) {
        for (std::string_view type : typesOf(kEntries[i])) {
            if (!selected[i]) {
                list.edit(kDefaults, type, withoutOurs);
                continue;
            }
            list.edit(kDefaults, type, [&](std::vector<std::string>& ids) {
                std::erase(ids, id);
                ids.insert(ids.begin(), id); // the others stay behind as fallbacks
            });
            list.edit(kAdded, type, [&](std::vector<std::string>& ids) {
                if (std::find(ids.begin(), ids.end(), id) == ids.end()) {
                    ids.push_back(id);
                }
            });
            list.edit(kRemoved, type, withoutOurs);
        }
    }
    bool listChanged = false;
    if (!writeIfDifferent(listFile, list.text(), listChanged)) {
        return false;
    }

    if (packageChanged) {
        runTool("update-mime-database", mime);
    }
    runTool("update-desktop-database", applications);
    return true;
}

} // namespace sorvel
