// updater: brings the player's files in its own folder up to date from the update server, then
// offers to start the player again. Started by the player's update check.
#include "Form1.h"
#include "UpdateProcedure.h"
#include "UpdaterMessageBox.h"
#include "update_paths.h"

#include <QApplication>
#include <QProcess>
#include <filesystem>
#include <optional>

int main(int argc, char* argv[]) {
    using namespace sorvel::updater;
    namespace fs = std::filesystem;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sorvel AutoUpdater"));

    // The program folder is the updater's own, where the player it updates lives.
    const fs::path programFolder = QCoreApplication::applicationDirPath().toStdString();
    RealFileSystem files;
    const auto start = [](const fs::path& program, const fs::path& folder) {
        return QProcess::startDetached(QString::fromStdString(program.string()), {},
                                       QString::fromStdString(folder.string()));
    };
    std::optional<UpdateProcedure> procedure;
    Form1 form([&procedure] { procedure->run(); });
    form.setScreenshotPath(qEnvironmentVariable("SORVEL_SCREENSHOT"));
    UpdaterMessageBox messages(&form);
    procedure.emplace(programFolder, baseAddressSetting(programFolder), form, messages, files,
                      start);
    if (!procedure->prepare()) {
        return 0;
    }
    form.show();
    return application.exec();
}
