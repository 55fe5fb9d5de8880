// Flat calls on CD drives.
#include "Library.h"
#include "cd/cd_drives.h"

#include <algorithm>
#include <cdio/cdio.h>
#include <cstring>

using namespace soundlib;

namespace {

void copyText(const std::string& text, char* buffer, int length) {
    if (buffer != nullptr && length > 0) {
        const size_t n = std::min(text.size(), static_cast<size_t>(length - 1));
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
}

template <class F> FMOD_RESULT withSystem(FMOD_SYSTEM handle, F&& body) {
    return guardedCall([&](Library& lib) -> FMOD_RESULT {
        return lib.systems.get(handle) == nullptr ? FMOD_ERR_INVALID_HANDLE : body();
    });
}

} // namespace

extern "C" {

FMOD_RESULT FMOD_System_GetNumCDROMDrives(FMOD_SYSTEM system, int* numdrives) {
    if (numdrives == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withSystem(system, [&]() -> FMOD_RESULT {
        *numdrives = static_cast<int>(listCdDrives().size());
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_System_GetCDROMDriveName(FMOD_SYSTEM system, int drive, char* drivename,
                                          int drivenamelen, char* scsiname, int scsinamelen,
                                          char* devicename, int devicenamelen) {
    return withSystem(system, [&]() -> FMOD_RESULT {
        const std::vector<CdDrive> drives = listCdDrives();
        if (drive < 0 || static_cast<size_t>(drive) >= drives.size()) {
            return FMOD_ERR_INVALID_PARAM;
        }
        const CdDrive& found = drives[static_cast<size_t>(drive)];
        copyText(found.name, drivename, drivenamelen);
        if (scsiname != nullptr && scsinamelen > 0) {
            copyText(cdDriveModel(found), scsiname, scsinamelen);
        }
        copyText(found.device, devicename, devicenamelen);
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_System_EjectCDROMDrive(FMOD_SYSTEM system, const char* drivename) {
    if (drivename == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withSystem(system, [&]() -> FMOD_RESULT {
        const std::vector<CdDrive> drives = listCdDrives();
        if (drives.empty()) {
            return FMOD_ERR_CDDA_NODEVICES;
        }
        const CdDrive* drive = findCdDrive(drives, drivename);
        if (drive == nullptr) {
            return FMOD_ERR_CDDA_INVALID_DEVICE;
        }
        if (drive->image) {
            return FMOD_ERR_UNSUPPORTED;
        }
        return cdio_eject_media_drive(drive->device.c_str()) == DRIVER_OP_SUCCESS
                   ? FMOD_OK
                   : FMOD_ERR_CDDA_INIT;
    });
}

} // extern "C"
