// sorvel [FILE|URI]...: the player. A second start hands its files to the running player and
// ends; a second start without any ends at once (unless the running player is restarting for a
// new output device). sorvel --help and --version print and end.
#include "PlayerApplication.h"
#include "ProgramFolder.h"
#include "SignalQuit.h"
#include "SingleInstance.h"
#include "StartupDecision.h"
#include "application_look.h"
#include "platform_choice.h"
#include "program_start.h"
#include "program_version.h"
#include "sorvel_version.h"

#include <QApplication>
#include <clocale>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

// The version as the updater reads it from this file.
SORVEL_VERSION_MARKER(SORVEL_VERSION_TEXT);

int main(int argc, char* argv[]) {
    using namespace sorvel;
    std::error_code error;
    const ProgramArguments arguments = parseProgramArguments(
        std::vector<std::string>(argv + 1, argv + argc), std::filesystem::current_path(error));
    switch (arguments.action) {
    case ProgramArguments::Action::Help:
        std::fputs(usageText().c_str(), stdout);
        return 0;
    case ProgramArguments::Action::Version:
        std::printf("Sorvel %s\n", kSorvelVersion);
        return 0;
    case ProgramArguments::Action::Refuse:
        std::fprintf(stderr, "sorvel: %s\n%s", arguments.problem.c_str(), usageText().c_str());
        return 2;
    case ProgramArguments::Action::Run:
        break;
    }
    const std::string& commandLine = arguments.commandLine;
    // Before the application exists: on Wayland the windows go through XWayland, where they may
    // place themselves (dragging, snapping, the docked playlist window).
    if (const auto platform = preferredQtPlatform(currentDesktopSession())) {
        qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(*platform));
    }
    const ProgramPlaces places = ResolveProgramPlaces(ExecutableDirectory());
    if (!places.installed) {
        provideShippedFiles(places.programFolder, places.shippedFolder);
    }
    const std::filesystem::path settingsFile = SettingsFilePath(places.settingsFolder);

    // Skins are pixel pictures: they are drawn at whole factors of the screen's scale (150 %
    // becomes 200 %), or at the settings' "-Zoom"; QT_SCALE_FACTOR set by the user wins.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::Round);
    const int zoom = ReadZoom(settingsFile);
    const bool zoomed = zoom != 0 && qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR");
    if (zoomed) {
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
        qputenv("QT_SCALE_FACTOR", QByteArray::number(zoom));
    }
    QApplication application(argc, argv);
    if (zoomed) {
        // Read by now; programs the player starts (the help's browser) keep their own scale.
        qunsetenv("QT_ENABLE_HIGHDPI_SCALING");
        qunsetenv("QT_SCALE_FACTOR");
    }
    // Qt takes the user's locale for everything; numbers, though, are written the C way: in the
    // settings and preset files, and for mpv, which refuses to start otherwise.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Sorvel"));
    QApplication::setApplicationVersion(QString::fromLatin1(kSorvelVersion));
    // Only the closing sequence ends the player: a message box closing while the main window
    // sits in the tray must not.
    QApplication::setQuitOnLastWindowClosed(false);

    const QString serverName = SingleInstance::serverName();
    const bool otherRunning = SingleInstance::otherInstanceRunning(serverName);
    switch (DecideLoadFromSettings(!commandLine.empty(), otherRunning, settingsFile)) {
    case LoadDecision::HandOverCommandLine:
        if (SingleInstance::handOver(serverName, QString::fromStdString(commandLine))) {
            return 0;
        }
        // The running player did not take the file (hung, or closing): start normally and
        // open it here rather than lose what the user asked for.
        break;
    case LoadDecision::EndSilently:
        return 0;
    case LoadDecision::Start:
    case LoadDecision::StartAfterDeviceReset:
        break;
    }
    // A player restarted for a new output device finds the flag its predecessor saved, whether it
    // still saw that one running or not; taken back now, a plain second start ends as it should.
    ClearAudioDeviceReset(settingsFile);

    prepareApplicationLook(application);
    SignalQuit stopSignals;
    PlayerApplication player(places);
    SingleInstance server(serverName);
    player.setInstanceServer(&server);
    QObject::connect(
        &server, &SingleInstance::commandLineReceived, &player,
        [&player](const QString& line) { player.openFromCommandLine(line.toStdString()); });
    QObject::connect(&stopSignals, &SignalQuit::quitRequested, &player,
                     [&player] { player.closeOnSignal(); });
    server.listen();
    player.start(commandLine);
    // Posted after start-up, so only the main loop itself runs it.
    QTimer::singleShot(0, &player, [&player] { player.mainLoopStarted(); });
    return application.exec();
}
