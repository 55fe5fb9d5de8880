#include "mdlID3.h"

#include "byte_magic.h"
#include "text_encoding.h"

#include <algorithm>
#include <system_error>
#include <vector>

namespace sorvel {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kGenreText =
    "Blues#Classic Rock#Country#Dance#Disco#Funk#Grunge#Hip-Hop#Jazz#Metal#New Age#Oldies#"
    "Other#Pop#R&B#Rap#Reggae#Rock#Techno#Industrial#Alternative#Ska#Death Metal#Pranks#"
    "Soundtrack#Euro-Techno#Ambient#Trip-Hop#Vocal#Jazz+Funk#Fusion#Trance#Classical#"
    "Instrumental#Acid#House#Game#Sound Clip#Gospel#Noise#Alt. Rock#Bass#Soul#Punk#Space#"
    "Meditative#Instrumental Pop#Instrumental Rock#Ethnic#Gothic#Darkwave#Techno-Industrial#"
    "Electronic#Pop-Folk#Eurodance#Dream#Southern Rock#Comedy#Cult#Gangsta#Top 40#"
    "Christian Rap#Pop/Funk#Jungle#Native American#Cabaret#New Wave#Psychadelic#Rave#"
    "Showtunes#Trailer#Lo-Fi#Tribal#Acid Punk#Acid Jazz#Polka#Retro#Musical#Rock & Roll#"
    "Hard Rock#Folk#Folk-Rock#National Folk#Swing#Fast Fusion#Bebob#Latin#Revival#Celtic#"
    "Bluegrass#Avantgarde#Gothic Rock#Progressive Rock#Psychedelic Rock#Symphonic Rock#"
    "Slow Rock#Big Band#Chorus#Easy Listening#Acoustic#Humour#Speech#Chanson#Opera#"
    "Chamber Music#Sonata#Symphony#Booty Bass#Primus#Porn Groove#Satire#Slow Jam#Club#Tango#"
    "Samba#Folklore#Ballad#Power Ballad#Rhythmic Soul#Freestyle#Duet#Punk Rock#Drum Solo#"
    "A capella#Euro-House#Dance Hall#Goa#Drum & Bass#Club-House#Hardcore#Terror#Indie#"
    "BritPop#Negerpunk#Polsk Punk#Beat#Christian Gangsta#Heavy Metal#Black Metal#Crossover#"
    "Contemporary C#Christian Rock#Merengue#Salsa#Thrash Metal#Anime#JPop#SynthPop";

using namespace id3v1;

struct GenreTable {
    std::vector<std::string> names;
    std::vector<std::string> lowerNames;
};

std::string asciiLower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return lower;
}

std::string_view trimSpaces(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Split once, on first use, and kept for the rest of the run.
const GenreTable& genreTable() {
    static const GenreTable table = [] {
        GenreTable split;
        std::size_t start = 0;
        while (start <= kGenreText.size()) {
            const std::size_t end = std::min(kGenreText.find('#', start), kGenreText.size());
            split.names.emplace_back(kGenreText.substr(start, end - start));
            split.lowerNames.push_back(asciiLower(split.names.back()));
            start = end + 1;
        }
        return split;
    }();
    return table;
}

void writeText(std::span<std::uint8_t> block, std::size_t at, std::size_t size,
               std::string_view utf8) {
    const std::string cp932 = text::utf8ToCp932(utf8);
    const std::string_view cut = text::cutCp932(cp932, size);
    std::copy(cut.begin(), cut.end(), block.begin() + static_cast<std::ptrdiff_t>(at));
}

// The tag holds one line: a line break (CR LF, or a lone LF or CR as Linux editors give) becomes
// one space.
std::string commentOnOneLine(std::string_view comment) {
    std::string line;
    line.reserve(comment.size());
    for (std::size_t i = 0; i < comment.size(); ++i) {
        if (comment[i] == '\r' && i + 1 < comment.size() && comment[i + 1] == '\n') {
            line.push_back(' ');
            ++i;
        } else if (comment[i] == '\r' || comment[i] == '\n') {
            line.push_back(' ');
        } else {
            line.push_back(comment[i]);
        }
    }
    return line;
}

// 1 to 255 from a short decimal text; 0 (no track) for anything else.
std::uint8_t trackByte(std::string_view text) {
    const std::string_view digits = trimSpaces(text);
    if (digits.empty() || digits.size() >= 4 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    int value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    return value > 0 && value < 256 ? static_cast<std::uint8_t>(value) : 0;
}

// The read-only attribute the player was designed around maps to a missing owner-write
// permission. Checked by hand, since root could open such a file for writing anyway.
bool isReadOnly(const fs::path& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    return !error && fs::exists(status) &&
           (status.permissions() & fs::perms::owner_write) == fs::perms::none;
}

// False when the file is read-only and stays so. A cleared attribute is not put back.
bool allowWriting(const fs::path& path, bool clearReadOnly) {
    if (!isReadOnly(path))
        return true;
    if (!clearReadOnly)
        return false;
    std::error_code error;
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, error);
    return !error;
}

} // namespace

bool ReadID3v1(const fs::path& path, ID3TagRecord& record) {
    const RawFile file(path, RawFile::Access::Read);
    const auto length = file.size();
    if (!length || *length < kID3v1Size)
        return false;
    std::array<std::uint8_t, kID3v1Size> block{};
    if (file.readAt(*length - kID3v1Size, block) != block.size())
        return false;
    return ParseID3v1Block(block, record);
}

bool WriteID3v1(const fs::path& path, const ID3TagRecord& record, bool clearReadOnly) {
    if (!allowWriting(path, clearReadOnly))
        return false;
    RawFile file(path, RawFile::Access::ReadWrite);
    const auto length = file.size();
    if (!length)
        return false;
    std::uint64_t at = *length;
    std::array<std::uint8_t, kID3v1Size> previous{};
    bool replacing = false;
    if (*length >= kID3v1Size) {
        if (file.readAt(*length - kID3v1Size, previous) != previous.size())
            return false;
        replacing = startsWith(previous, "TAG");
        if (replacing)
            at = *length - kID3v1Size;
    }
    const auto block = BuildID3v1Block(record);
    if (file.writeAt(at, block))
        return true;
    // Undo whatever part of the write landed, so the file keeps its length and bytes.
    if (replacing)
        file.writeAt(at, previous);
    else
        file.truncate(*length);
    return false;
}

bool RemoveID3v1(const fs::path& path, bool clearReadOnly) {
    if (!allowWriting(path, clearReadOnly))
        return false;
    RawFile file(path, RawFile::Access::ReadWrite);
    const auto length = file.size();
    if (!length || *length < kID3v1Size)
        return false;
    std::array<std::uint8_t, 3> magic{};
    if (file.readAt(*length - kID3v1Size, magic) != magic.size())
        return false;
    if (startsWith(magic, "TAG"))
        return file.truncate(*length - kID3v1Size);
    return true;
}

std::string GenreName(int number) {
    const auto& names = genreTable().names;
    if (number < 0 || number >= static_cast<int>(names.size()))
        return {};
    return names[static_cast<std::size_t>(number)];
}

int GenreNumber(std::string_view name) {
    const std::string wanted = asciiLower(trimSpaces(name));
    const auto& lowerNames = genreTable().lowerNames;
    const auto found = std::find(lowerNames.begin(), lowerNames.end(), wanted);
    return found == lowerNames.end() ? kNoGenre : static_cast<int>(found - lowerNames.begin());
}

std::uint64_t ID3v2Size(const RawFile& file, std::uint64_t offset) {
    std::array<std::uint8_t, kID3v2HeaderSize> header{};
    const std::size_t got = file.readAt(offset, header);
    return ID3v2HeaderSize(std::span(header).first(got));
}

void ClearTagRecord(ID3TagRecord& record) {
    record = ID3TagRecord{};
}

std::uint64_t ID3v2HeaderSize(std::span<const std::uint8_t> header) {
    if (header.size() < kID3v2HeaderSize || !startsWith(header, "ID3"))
        return 0;
    const auto size = header.subspan(6, 4);
    std::uint64_t tagSize = 0;
    if (((size[0] | size[1] | size[2] | size[3]) & 0x80) == 0) {
        tagSize = std::uint64_t{size[0]} << 21 | std::uint64_t{size[1]} << 14 |
                  std::uint64_t{size[2]} << 7 | size[3];
    } else {
        // Such a size does not fit a signed 32-bit count: the header is damaged.
        if (size[0] >= 0x80)
            return 0;
        tagSize = std::uint64_t{size[0]} << 24 | std::uint64_t{size[1]} << 16 |
                  std::uint64_t{size[2]} << 8 | size[3];
    }
    const std::uint8_t majorVersion = header[3];
    const bool footer = majorVersion >= 4 && (header[5] & 0x10) != 0;
    return tagSize + kID3v2HeaderSize + (footer ? kID3v2HeaderSize : 0);
}

bool ParseID3v1Block(std::span<const std::uint8_t, kID3v1Size> block, ID3TagRecord& record) {
    const auto fields = id3v1::readBlock(block);
    if (!fields)
        return false;
    ClearTagRecord(record);
    // The text is CP932 as it stands, untrimmed.
    record.title = text::cp932ToUtf8(fields->title);
    record.artist = text::cp932ToUtf8(fields->artist);
    record.album = text::cp932ToUtf8(fields->album);
    record.year = text::cp932ToUtf8(fields->year);
    record.comment = text::cp932ToUtf8(fields->comment);
    if (fields->track != 0)
        record.track = std::to_string(fields->track);
    record.genre = GenreName(fields->genre);
    return true;
}

std::array<std::uint8_t, kID3v1Size> BuildID3v1Block(const ID3TagRecord& record) {
    std::array<std::uint8_t, kID3v1Size> block{};
    block[0] = 'T';
    block[1] = 'A';
    block[2] = 'G';
    writeText(block, kTitleAt, kTextSize, record.title);
    writeText(block, kArtistAt, kTextSize, record.artist);
    writeText(block, kAlbumAt, kTextSize, record.album);
    writeText(block, kYearAt, kYearSize, record.year);
    writeText(block, kCommentAt, kCommentV11Size, commentOnOneLine(record.comment));
    block[kZeroByteAt] = 0;
    block[kTrackAt] = trackByte(record.track);
    block[kGenreAt] = static_cast<std::uint8_t>(GenreNumber(record.genre));
    return block;
}

} // namespace sorvel
