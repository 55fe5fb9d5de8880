// The player's message boxes, as Qt message boxes owned by the main window.
#pragma once

#include "PlayerServices.h"

#include <QPointer>
#include <QWidget>

namespace sorvel {

class QtMessageBox final : public MessageBoxService {
public:
    void setOwner(QWidget* owner) { owner_ = owner; }
    MessageAnswer show(const std::string& text, const std::string& caption, MessageButtons buttons,
                       MessageIcon icon) override;

private:
    QPointer<QWidget> owner_;
};

} // namespace sorvel
