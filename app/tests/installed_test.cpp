// The installed player: `cmake --install` into a temporary prefix, and the Debian package CPack
// makes, unpacked into a folder of its own. Each is run read-only under the X display as a user
// who cannot write the installation (nobody, when the test runs as root): the skin shows, the
// settings go to the XDG folders, a second start hands its file over, nothing else is written.
#include "player_process.h"

#include <QImage>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <unistd.h>

namespace {

using namespace apptest;

constexpr uid_t kNobody = 65534;

bool asRoot() {
    return ::geteuid() == 0;
}

// Makes `path` (and what is below it) the player's user's.
void giveToPlayer(const fs::path& path) {
    if (!asRoot()) {
        return;
    }
    [[maybe_unused]] int ignored = ::chown(path.c_str(), kNobody, kNobody);
    if (fs::is_directory(path)) {
        for (const auto& entry : fs::recursive_directory_iterator(path)) {
            ignored = ::chown(entry.path().c_str(), kNobody, kNobody);
        }
    }
}

void setWritable(const fs::path& root, bool writable) {
    const auto write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    const auto option = writable ? fs::perm_options::add : fs::perm_options::remove;
    fs::permissions(root, writable ? fs::perms::owner_write : write, option);
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_symlink()) {
            fs::permissions(entry.path(), writable ? fs::perms::owner_write : write, option);
        }
    }
}

// The command run as the player's user.
std::vector<std::string> asPlayer(std::vector<std::string> command) {
    if (asRoot()) {
        command.insert(command.begin(),
                       {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"});
    }
    return command;
}

// A folder of the test's own, removed at the end (the installation made writable again first).
class InstallFolder {
public:
    explicit InstallFolder(const std::string& name)
        : path_(fs::temp_directory_path() / (name + "-" + std::to_string(::getpid()))) {
        fs::remove_all(path_);
        fs::create_directories(path_);
        // The player's user passes through it to the folders it is given.
        fs::permissions(path_, fs::perms::others_exec | fs::perms::group_exec,
                        fs::perm_options::add);
    }
    ~InstallFolder() {
        std::error_code error;
        if (fs::exists(path_ / "readonly", error)) {
            setWritable(path_ / "readonly", true);
        }
        fs::remove_all(path_, error);
    }
    InstallFolder(const InstallFolder&) = delete;
    InstallFolder& operator=(const InstallFolder&) = delete;

    const fs::path& path() const { return path_; }
    // A folder the player's user owns.
    fs::path playerFolder(const std::string& name) const {
        const fs::path folder = path_ / name;
        fs::create_directories(folder);
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace);
        giveToPlayer(folder);
        return folder;
    }

private:
    fs::path path_;
};

std::vector<std::string> withoutDesktopVariables(const std::vector<std::string>& environment) {
    std::vector<std::string> kept;
    for (const std::string& entry : environment) {
        if (entry.rfind("SORVEL_", 0) != 0 && entry.rfind("XDG_", 0) != 0 &&
            entry.rfind("HOME=", 0) != 0 && entry.rfind("XAUTHORITY=", 0) != 0) {
            kept.push_back(entry);
        }
    }
    return kept;
}

int distinctColours(const QImage& picture) {
    std::set<QRgb> colours;
    for (int y = 0; y < picture.height(); y += 2) {
        for (int x = 0; x < picture.width(); x += 2) {
            colours.insert(picture.pixel(x, y));
        }
    }
    return static_cast<int>(colours.size());
}

// Runs the installed `sorvel` in `bin` as the user who cannot write it, checks what it shows,
// writes and takes, and keeps its picture as `artefact`.
void checkInstalledPlayer(const InstallFolder& folder, const fs::path& bin,
                          const std::string& artefact) {
    const fs::path home = folder.playerFolder("home");
    const fs::path config = folder.playerFolder("config");
    const fs::path data = folder.playerFolder("data");
    const fs::path runtime = folder.playerFolder("runtime");
    const fs::path cwd = folder.playerFolder("cwd");
    const fs::path out = folder.playerFolder("out");
    // The wave writer stands in for the sound card, chosen in the settings the player finds in
    // its XDG configuration folder.
    fs::create_directories(config / "sorvel");
    std::ofstream(config / "sorvel" / "sorvel_Settings.ini", std::ios::binary)
        << "[Etc]\r\n-OutputType=3\r\n";
    giveToPlayer(config);
    const fs::path tone = out / "handed.wav";
    fs::copy_file(testmedia::makeTone("installed-tone.wav", 880.0, 1.5, 44100, 2, {}, 0.5), tone);
    giveToPlayer(tone);

    std::vector<std::string> environment = withoutDesktopVariables(currentEnvironment());
    for (const auto& [name, value] : {std::pair{"HOME", home},
                                      {"XDG_CONFIG_HOME", config},
                                      {"XDG_DATA_HOME", data},
                                      {"XDG_RUNTIME_DIR", runtime},
                                      {"SORVEL_WAVE_OUT", out / "out.wav"},
                                      {"SORVEL_SCREENSHOT", out / "window.png"}}) {
        environment.push_back(std::string(name) + "=" + value.string());
    }
    if (const char* authority = std::getenv("XAUTHORITY"); authority != nullptr) {
        // The display's cookie, readable by the player's user.
        const fs::path copy = folder.path() / "Xauthority";
        fs::copy_file(authority, copy, fs::copy_options::overwrite_existing);
        fs::permissions(copy,
                        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        environment.push_back("XAUTHORITY=" + copy.string());
    }

    Child player(asPlayer({(bin / "sorvel").string()}), environment, cwd);
    ASSERT_TRUE(player.started());
    EXPECT_TRUE(waitFor([&] { return fs::exists(out / "window.png") || !player.running(); }, 30s))
        << "no picture of the window";
    ASSERT_TRUE(player.running()) << "the installed player ended";
    Child second(asPlayer({(bin / "sorvel").string(), tone.string()}), environment, cwd);
    EXPECT_EQ(second.waitExit(20s), 0) << "the second start did not hand over and end";
    EXPECT_TRUE(waitFor([&] { return testmedia::writtenSeconds(out / "out.wav") > 2.0; }, 20s));
    player.signal(SIGTERM);
    EXPECT_EQ(player.waitExit(20s), 0);

    const QImage picture(QString::fromStdString((out / "window.png").string()));
    fs::create_directories(SORVEL_ARTEFACTS);
    picture.save(QString::fromStdString((fs::path(SORVEL_ARTEFACTS) / artefact).string()), "PNG");
    EXPECT_EQ(picture.size(), QSize(460, 142));
    EXPECT_GT(distinctColours(picture), 50) << "the skin does not show";
    EXPECT_EQ(testmedia::toneSequence(testmedia::readWav(out / "out.wav"), {880.0}),
              std::vector<double>{880.0})
        << "the handed-over file did not play";

    const std::string settings = readText(config / "sorvel" / "sorvel_Settings.ini");
    EXPECT_NE(settings.find("-MainLeft="), std::string::npos) << settings;
    EXPECT_NE(settings.find("Skins/Default/Default.ssf"), std::string::npos) << settings;
    EXPECT_TRUE(fs::is_directory(data / "sorvel" / "Data" / "GEQ"));
    // Nothing beside: no copy of the shipped skins, nothing in the current folder or home.
    EXPECT_FALSE(fs::exists(data / "sorvel" / "Skins"));
    EXPECT_TRUE(fs::is_empty(cwd));
    EXPECT_TRUE(fs::is_empty(home));
}

std::string packageField(const fs::path& package, const std::string& field) {
    return runOutput({"dpkg-deb", "--field", package.string(), field}, currentEnvironment())
        .value_or("");
}

TEST(Installed, IntoAPrefixItRunsReadOnlyAndItsDesktopFilesValidate) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
    const InstallFolder folder("sorvel-install");
    const fs::path prefix = folder.path() / "readonly";
    ASSERT_TRUE(
        runOutput({SORVEL_CMAKE, "--install", SORVEL_BUILD_FOLDER, "--prefix", prefix.string()},
                  currentEnvironment(), 120s))
        << "cmake --install failed";
    for (const char* file :
         {"bin/sorvel", "libexec/sorvel/updater", "share/sorvel/Skins/Default/Default.ssf",
          "share/sorvel/sorvelhlp.html", "share/applications/sorvel.desktop",
          "share/metainfo/org.sorvel.Sorvel.metainfo.xml", "share/mime/packages/sorvel.xml",
          "share/icons/hicolor/scalable/apps/sorvel.svg",
          "share/icons/hicolor/48x48/apps/sorvel.png", "share/man/man1/sorvel.1"}) {
        EXPECT_TRUE(fs::is_regular_file(prefix / file)) << file;
    }
    EXPECT_TRUE(runOutput(
        {"desktop-file-validate", (prefix / "share/applications/sorvel.desktop").string()},
        currentEnvironment()))
        << "desktop-file-validate failed";
    EXPECT_TRUE(runOutput({"appstreamcli", "validate", "--no-net",
                           (prefix / "share/metainfo/org.sorvel.Sorvel.metainfo.xml").string()},
                          currentEnvironment()))
        << "appstreamcli validate failed";
    const std::string desktop = readText(prefix / "share/applications/sorvel.desktop");
    EXPECT_NE(desktop.find("\nExec=sorvel %U\n"), std::string::npos) << desktop;
    EXPECT_NE(desktop.find("audio/mpeg;"), std::string::npos) << desktop;

    setWritable(prefix, false);
    checkInstalledPlayer(folder, prefix / "bin", "installed-window.png");
}

TEST(Installed, TheDebianPackageNamesItsLibrariesAndItsPlayerRuns) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
    const InstallFolder folder("sorvel-package");
    const fs::path packages = folder.path() / "packages";
    ASSERT_TRUE(runOutput({SORVEL_CPACK, "-G", "DEB", "--config",
                           std::string(SORVEL_BUILD_FOLDER) + "/CPackConfig.cmake", "-B",
                           packages.string()},
                          currentEnvironment(), 300s))
        << "cpack failed";
    fs::path package;
    for (const auto& entry : fs::directory_iterator(packages)) {
        if (entry.path().extension() == ".deb") {
            package = entry.path();
        }
    }
    ASSERT_FALSE(package.empty()) << "no .deb made";
    EXPECT_EQ(packageField(package, "Package"), "sorvel\n");
    const std::string depends = packageField(package, "Depends");
    for (const char* library :
         {"libqt6widgets6", "libqt6dbus6", "libavformat", "libopenmpt", "librtaudio",
          "libfluidsynth", "libcdio", "libcurl", "qt6-qpa-plugins"}) {
        EXPECT_NE(depends.find(library), std::string::npos) << library << " in " << depends;
    }

    const fs::path root = folder.path() / "readonly";
    ASSERT_TRUE(runOutput({"dpkg-deb", "--extract", package.string(), root.string()},
                          currentEnvironment()));
    EXPECT_TRUE(fs::is_regular_file(root / "usr/share/applications/sorvel.desktop"));
    setWritable(root, false);
    checkInstalledPlayer(folder, root / "usr/bin", "package-window.png");
}

} // namespace
