#include "QtFileDialog.h"

#include <QFileDialog>
#include <QStringList>

namespace sorvel {

QString qtFileFilters(const std::vector<FileFilter>& filters) {
    QStringList parts;
    for (const FileFilter& filter : filters) {
        QString patterns = QString::fromStdString(filter.patterns);
        patterns.replace(QStringLiteral(";"), QStringLiteral(" "));
        patterns = patterns.simplified();
        // Qt reads the patterns from the last parentheses of each filter.
        parts << QString::fromStdString(filter.label) + QStringLiteral(" (") + patterns +
                     QStringLiteral(")");
    }
    return parts.join(QStringLiteral(";;"));
}

std::optional<std::string> QtFileDialog::choose(const FileDialogRequest& request) {
    const QString filters = qtFileFilters(request.filters);
    QStringList list = filters.split(QStringLiteral(";;"));
    const int index = request.filterIndex - 1;
    QString selected = index >= 0 && index < list.size() ? list.at(index) : QString();
    const QString title = QString::fromStdString(request.title);
    const QString folder = QString::fromStdString(request.initialFolder);
    const QString chosen =
        request.save ? QFileDialog::getSaveFileName(owner_, title, folder, filters, &selected)
                     : QFileDialog::getOpenFileName(owner_, title, folder, filters, &selected);
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return chosen.toStdString();
}

} // namespace sorvel
