#include "QtShellLauncher.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace sorvel {

bool QtShellLauncher::startProgram(const std::filesystem::path& program,
                                   const std::filesystem::path& workingFolder) {
    return QProcess::startDetached(QString::fromStdString(program.string()), {},
                                   QString::fromStdString(workingFolder.string()));
}

bool QtShellLauncher::openDocument(const std::filesystem::path& document) {
    return QDesktopServices::openUrl(
        QUrl::fromLocalFile(QString::fromStdString(document.string())));
}

} // namespace sorvel
