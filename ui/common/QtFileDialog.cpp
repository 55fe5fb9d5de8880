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
        // Qt reads the patterns from the last parentheses of each filter, so a label that ends
        // in its own (possibly different) pattern list gives way to the real one.
        QString label = QString::fromStdString(filter.label).trimmed();
        if (label.endsWith(QLatin1Char(')'))) {
            const qsizetype open = label.lastIndexOf(QLatin1Char('('));
            if (open > 0) {
                label = label.left(open).trimmed();
            }
        }
        parts << label + QStringLiteral(" (") + patterns + QStringLiteral(")");
    }
    return parts.join(QStringLiteral(";;"));
}

std::vector<std::string> QtFileDialog::show(const FileDialogRequest& request) {
    const QString filters = qtFileFilters(request.filters);
    QStringList list = filters.split(QStringLiteral(";;"));
    const int index = request.filterIndex - 1;
    QString selected = index >= 0 && index < list.size() ? list.at(index) : QString();
    const QString title = QString::fromStdString(request.title);
    const QString folder = QString::fromStdString(request.initialFolder);
    // Links are opened as themselves: the path kept in playlists is the one the user chose.
    const QFileDialog::Options options = QFileDialog::DontResolveSymlinks;
    QStringList chosen;
    if (request.save) {
        // The dialog itself, not the static call: only it takes a default suffix, which it adds
        // before it asks whether to replace an existing file.
        QFileDialog dialog(owner_, title, folder, filters);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOptions(options);
        dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
        if (!selected.isEmpty()) {
            dialog.selectNameFilter(selected);
        }
        if (dialog.exec() == QDialog::Accepted) {
            chosen = dialog.selectedFiles().mid(0, 1);
        }
    } else if (request.multiple) {
        chosen = QFileDialog::getOpenFileNames(owner_, title, folder, filters, &selected, options);
    } else {
        chosen << QFileDialog::getOpenFileName(owner_, title, folder, filters, &selected, options);
    }
    std::vector<std::string> files;
    for (const QString& file : chosen) {
        if (!file.isEmpty()) {
            files.push_back(file.toStdString());
        }
    }
    return files;
}

std::optional<std::string> QtFileDialog::choose(const FileDialogRequest& request) {
    FileDialogRequest one = request;
    one.multiple = false;
    std::vector<std::string> files = show(one);
    if (files.empty()) {
        return std::nullopt;
    }
    return std::move(files.front());
}

std::vector<std::string> QtFileDialog::chooseMany(const FileDialogRequest& request) {
    return show(request);
}

} // namespace sorvel
