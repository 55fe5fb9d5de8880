// The updater's message boxes. For tests only, SORVEL_UPDATER_ANSWERS ("yes,no,...") answers
// the questions in turn instead of showing them, and each question's text is printed on
// standard output.
#pragma once

#include "WindowServices.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace sorvel::updater {

class UpdaterMessageBox final : public MessageBoxService {
public:
    explicit UpdaterMessageBox(QWidget* owner = nullptr);
    MessageAnswer show(const std::string& text, const std::string& caption, MessageButtons buttons,
                       MessageIcon icon) override;

private:
    QWidget* owner_;
    bool scripted_ = false;
    QStringList answers_;
};

} // namespace sorvel::updater
