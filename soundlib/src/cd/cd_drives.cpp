#include "cd_drives.h"

#include <algorithm>
#include <cctype>
#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <system_error>

namespace soundlib {
namespace {

struct DeviceListDeleter {
    void operator()(char** list) const { cdio_free_device_list(list); }
};
struct CdioDeleter {
    void operator()(CdIo_t* cdio) const { cdio_destroy(cdio); }
};

void silentLog(cdio_log_level_t, const char*) {}

std::string trimmed(const char* text) {
    std::string value(text);
    while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back()))) {
        value.pop_back();
    }
    const auto first = value.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : value.substr(first);
}

} // namespace

void quietCdio() {
    static std::once_flag once;
    std::call_once(once, [] { cdio_log_set_handler(silentLog); });
}

std::vector<CdDrive> nameCdDrives(const std::vector<std::string>& devices,
                                  std::string_view imageList) {
    std::vector<CdDrive> drives;
    auto add = [&](std::string device, bool image) {
        if (drives.size() < kMaxCdDrives) {
            CdDrive drive;
            drive.name = {static_cast<char>('D' + drives.size()), ':'};
            drive.device = std::move(device);
            drive.image = image;
            drives.push_back(std::move(drive));
        }
    };
    for (const std::string& device : devices) {
        add(device, false);
    }
    while (!imageList.empty()) {
        const size_t colon = imageList.find(':');
        const std::string_view entry = imageList.substr(0, colon);
        if (!entry.empty()) {
            add(std::string(entry), true);
        }
        imageList =
            colon == std::string_view::npos ? std::string_view() : imageList.substr(colon + 1);
    }
    return drives;
}

std::vector<CdDrive> listCdDrives() {
    quietCdio();
    std::vector<std::string> devices;
    std::vector<std::string> seen; // resolved paths: /dev/cdrom and /dev/sr0 are one drive
    const std::unique_ptr<char*, DeviceListDeleter> list(cdio_get_devices(DRIVER_DEVICE));
    for (char** entry = list.get(); entry != nullptr && *entry != nullptr; ++entry) {
        std::error_code error;
        auto resolved = std::filesystem::canonical(*entry, error);
        const std::string key = error ? std::string(*entry) : resolved.string();
        if (std::find(seen.begin(), seen.end(), key) == seen.end()) {
            seen.push_back(key);
            devices.push_back(key);
        }
    }
    const char* images = std::getenv("SORVEL_CD_IMAGES");
    return nameCdDrives(devices, images != nullptr ? images : "");
}

bool isCdDriveName(std::string_view name) {
    return name.size() == 2 && std::isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':';
}

const CdDrive* findCdDrive(const std::vector<CdDrive>& drives, std::string_view name) {
    for (const CdDrive& drive : drives) {
        const bool sameName = isCdDriveName(name) &&
                              std::toupper(static_cast<unsigned char>(name[0])) == drive.name[0];
        if (sameName || name == drive.device) {
            return &drive;
        }
    }
    return nullptr;
}

std::string cdDriveModel(const CdDrive& drive) {
    if (drive.image) {
        return "Disc image";
    }
    quietCdio();
    const std::unique_ptr<CdIo_t, CdioDeleter> cdio(cdio_open(drive.device.c_str(), DRIVER_DEVICE));
    cdio_hwinfo_t info{};
    if (!cdio || !cdio_get_hwinfo(cdio.get(), &info)) {
        return "CD-ROM drive";
    }
    std::string model = trimmed(info.psz_vendor);
    for (const char* part : {info.psz_model, info.psz_revision}) {
        const std::string text = trimmed(part);
        if (!text.empty()) {
            model += (model.empty() ? "" : " ") + text;
        }
    }
    return model.empty() ? "CD-ROM drive" : model;
}

} // namespace soundlib
