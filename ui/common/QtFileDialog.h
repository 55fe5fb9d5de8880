// The open and save dialogs of the player as Qt file dialogs.
#pragma once

#include "PlayerServices.h"

#include <QPointer>
#include <QString>
#include <QWidget>

namespace sorvel {

class QtFileDialog final : public FileDialogService {
public:
    void setOwner(QWidget* owner) { owner_ = owner; }
    std::optional<std::string> choose(const FileDialogRequest& request) override;
    std::vector<std::string> chooseMany(const FileDialogRequest& request) override;

private:
    std::vector<std::string> show(const FileDialogRequest& request);

    QPointer<QWidget> owner_;
};

// The filter list in Qt's form: "Label (*.a *.b);;...". A label's own trailing pattern list is
// replaced by the filter's patterns, so each filter names them once.
QString qtFileFilters(const std::vector<FileFilter>& filters);

} // namespace sorvel
