#include "LoudnessCache.h"

#include "atomic_write.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace sorvel {
namespace fs = std::filesystem;
namespace {

// The first line; a file that does not start with it is not ours (or from a later version).
constexpr std::string_view kHeader = "SorvelLoudness 1";
// A cache this large is not one we wrote.
constexpr std::uintmax_t kLargestFile = 64u << 20;
// Fields of a record, tab-separated, the path last: size, mtime (ns), track gain, track peak,
// album gain, album peak ("-" where unknown), path.
constexpr size_t kFields = 7;

std::string key(const fs::path& file) {
    std::error_code error;
    const fs::path absolute = fs::absolute(file, error);
    return (error ? file : absolute).lexically_normal().string();
}

std::vector<std::string_view> split(std::string_view line, size_t fields) {
    std::vector<std::string_view> parts;
    while (parts.size() + 1 < fields) {
        const size_t tab = line.find('\t');
        if (tab == std::string_view::npos) {
            break;
        }
        parts.push_back(line.substr(0, tab));
        line.remove_prefix(tab + 1);
    }
    parts.push_back(line);
    return parts;
}

template <class T> bool parseInteger(std::string_view text, T& value) {
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && stop == text.data() + text.size() && !text.empty();
}

// "-" for unknown; anything else must be a finite number.
bool parseOptional(std::string_view text, std::optional<double>& value) {
    if (text == "-") {
        value.reset();
        return true;
    }
    double number = 0.0;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || stop != text.data() + text.size() || text.empty() ||
        !std::isfinite(number)) {
        return false;
    }
    value = number;
    return true;
}

std::string optionalText(const std::optional<double>& value) {
    if (!value) {
        return "-";
    }
    char text[32];
    const auto [end, error] = std::to_chars(std::begin(text), std::end(text), *value);
    return error == std::errc() ? std::string(text, end) : "-";
}

// A gain and a peak that replayGainFromTags would have taken, so damaged records cannot make a
// channel louder than a tag could.
bool plausible(const LoudnessValues& values) {
    const auto gainOk = [](const std::optional<double>& gain) {
        return !gain || parseGainDb(optionalText(gain));
    };
    const auto peakOk = [](const std::optional<double>& peak) {
        return !peak || parsePeak(optionalText(peak));
    };
    return values.trackGainDb && gainOk(values.trackGainDb) && peakOk(values.trackPeak) &&
           gainOk(values.albumGainDb) && peakOk(values.albumPeak);
}

} // namespace

std::optional<FileStamp> stampOf(const fs::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return FileStamp{static_cast<uint64_t>(info.st_size),
                     static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 +
                         info.st_mtim.tv_nsec};
}

LoudnessCache LoudnessCache::load(const fs::path& file) {
    LoudnessCache cache;
    std::error_code error;
    const std::uintmax_t size = fs::file_size(file, error);
    if (error || size > kLargestFile) {
        return cache;
    }
    std::ifstream in(file, std::ios::binary);
    std::string line;
    if (!std::getline(in, line) || line != kHeader) {
        return cache;
    }
    while (std::getline(in, line)) {
        const std::vector<std::string_view> fields = split(line, kFields);
        if (fields.size() != kFields || fields[6].empty()) {
            continue;
        }
        Record record;
        LoudnessValues& v = record.values;
        if (!parseInteger(fields[0], record.stamp.size) ||
            !parseInteger(fields[1], record.stamp.modifiedNs) ||
            !parseOptional(fields[2], v.trackGainDb) || !parseOptional(fields[3], v.trackPeak) ||
            !parseOptional(fields[4], v.albumGainDb) || !parseOptional(fields[5], v.albumPeak) ||
            !plausible(v)) {
            continue;
        }
        cache.records_[std::string(fields[6])] = record;
    }
    return cache;
}

bool LoudnessCache::save(const fs::path& file) const {
    std::ostringstream out;
    out << kHeader << '\n';
    for (const auto& [path, record] : records_) {
        const LoudnessValues& v = record.values;
        out << record.stamp.size << '\t' << record.stamp.modifiedNs << '\t'
            << optionalText(v.trackGainDb) << '\t' << optionalText(v.trackPeak) << '\t'
            << optionalText(v.albumGainDb) << '\t' << optionalText(v.albumPeak) << '\t' << path
            << '\n';
    }
    return writeFileAtomically(file, out.str());
}

std::optional<LoudnessValues> LoudnessCache::find(const fs::path& file) const {
    const std::optional<FileStamp> stamp = stampOf(file);
    if (!stamp) {
        return std::nullopt;
    }
    return find(file, *stamp);
}

std::optional<LoudnessValues> LoudnessCache::find(const fs::path& file,
                                                  const FileStamp& stamp) const {
    const auto found = records_.find(key(file));
    if (found == records_.end() || found->second.stamp != stamp) {
        return std::nullopt;
    }
    return found->second.values;
}

void LoudnessCache::put(const fs::path& file, const FileStamp& stamp,
                        const LoudnessValues& values) {
    std::string path = key(file);
    // A line per record: a name with a line break cannot be kept.
    if (path.find_first_of("\n\r") != std::string::npos || !plausible(values)) {
        return;
    }
    records_[std::move(path)] = Record{stamp, values};
}

} // namespace sorvel
