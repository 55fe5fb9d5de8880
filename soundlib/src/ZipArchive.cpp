#include "ZipArchive.h"

namespace soundlib {

std::unique_ptr<ZipArchive> ZipArchive::open(const std::string& path, FMOD_RESULT& result) {
    result = FMOD_ERR_FORMAT;
    int error = 0;
    zip_t* raw = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (!raw) {
        if (error == ZIP_ER_NOENT)
            result = FMOD_ERR_FILE_NOTFOUND;
        else if (error == ZIP_ER_OPEN || error == ZIP_ER_READ)
            result = FMOD_ERR_FILE_BAD;
        return nullptr;
    }
    auto archive = std::make_unique<ZipArchive>(Key{});
    archive->archive_.reset(raw);
    const zip_int64_t count = zip_get_num_entries(raw, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(raw, static_cast<zip_uint64_t>(i), 0, &stat) != 0)
            continue;
        if (!(stat.valid & ZIP_STAT_NAME) || !(stat.valid & ZIP_STAT_SIZE))
            continue;
        std::string name = stat.name;
        if (!name.empty() && name.back() == '/')
            continue; // a folder
        archive->members_.push_back({static_cast<uint64_t>(i), std::move(name), stat.size});
    }
    result = FMOD_OK;
    return archive;
}

std::optional<std::vector<uint8_t>> ZipArchive::read(const Member& member,
                                                     uint64_t maxBytes) const {
    if (member.size > maxBytes)
        return std::nullopt;
    std::unique_ptr<zip_file_t, FileCloser> file(zip_fopen_index(archive_.get(), member.index, 0));
    if (!file)
        return std::nullopt;
    std::vector<uint8_t> bytes(static_cast<size_t>(member.size));
    uint64_t done = 0;
    while (done < member.size) {
        const zip_int64_t got = zip_fread(file.get(), bytes.data() + done, member.size - done);
        if (got <= 0)
            return std::nullopt; // damaged data or a bad checksum
        done += static_cast<uint64_t>(got);
    }
    return bytes;
}

} // namespace soundlib
