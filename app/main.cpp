// sorvel [FILE-OR-ADDRESS]: the player. A second start hands its file to the running player and
// ends; a second start without one ends at once (unless the running player is restarting for a
// new output device). sorvel --version prints the version and ends.
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
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

// The version as the updater reads it from this file.
SORVEL_VERSION_MARKER(SORVEL_VERSION_TEXT);

int main(int argc, char* argv[]) {
    using namespace sorvel;
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("Sorvel %s\n", kSorvelVersion);
        return 0;
    }
    // Before the application exists: on Wayland the windows go through XWayland, where they may
    // place themselves (dragging, snapping, the docked playlist window).
    if (const auto platform = preferredQtPlatform(currentDesktopSession())) {
        qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(*platform));
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sorvel"));
    QApplication::setApplicationVersion(QString::fromLatin1(kSorvelVersion));
    // Only the closing sequence ends the player: a message box closing while the main window
    // sits in the tray must not.
    QApplication::setQuitOnLastWindowClosed(false);

    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    std::error_code error;
    const std::string commandLine =
        commandLineFromArguments(arguments, std::filesystem::current_path(error));

    const ProgramPlaces places = ResolveProgramPlaces(ExecutableDirectory());
    if (!places.installed) {
        provideShippedFiles(places.programFolder, places.shippedFolder);
    }
    const std::filesystem::path settingsFile = SettingsFilePath(places.settingsFolder);

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
