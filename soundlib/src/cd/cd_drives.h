// The CD drives the library offers: the machine's drives, then disc images named in the
// environment, each under a Windows-style drive name so playlist entries ("cd:D:3") keep
// working.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace soundlib {

struct CdDrive {
    std::string name;   // "D:", "E:", ...
    std::string device; // device path, or the image file
    bool image = false;
};

// At most this many drives get names (D: to Z:).
constexpr size_t kMaxCdDrives = 23;

// Names `devices` (in order), then the images in `imageList` (paths separated by ':'; empty
// entries skipped), from "D:" on.
std::vector<CdDrive> nameCdDrives(const std::vector<std::string>& devices,
                                  std::string_view imageList);

// The machine's CD drives (each once, however many links name it) and the images in
// SORVEL_CD_IMAGES, read afresh on every call so drives and images can come and go.
std::vector<CdDrive> listCdDrives();

// Whether `name` has the form of a drive name: a letter and a colon.
bool isCdDriveName(std::string_view name);

// The drive called `name` (a drive name in either case, or its device path); null if none.
const CdDrive* findCdDrive(const std::vector<CdDrive>& drives, std::string_view name);

// Make, model and revision of a real drive as it reports them; "Disc image" for images,
// "CD-ROM drive" when the drive does not say.
std::string cdDriveModel(const CdDrive& drive);

// Keeps libcdio's messages off stderr; our result codes say what went wrong.
void quietCdio();

} // namespace soundlib
