#include "QtMessageBox.h"

#include <QMessageBox>

namespace sorvel {

MessageAnswer QtMessageBox::show(const std::string& text, const std::string& caption,
                                 MessageButtons buttons, MessageIcon icon) {
    QMessageBox::Icon qtIcon = QMessageBox::Information;
    switch (icon) {
    case MessageIcon::None:
        qtIcon = QMessageBox::NoIcon;
        break;
    case MessageIcon::Information:
        qtIcon = QMessageBox::Information;
        break;
    case MessageIcon::Question:
        qtIcon = QMessageBox::Question;
        break;
    case MessageIcon::Exclamation:
        qtIcon = QMessageBox::Warning;
        break;
    case MessageIcon::Critical:
        qtIcon = QMessageBox::Critical;
        break;
    }
    // Windows line ends in the texts become plain line breaks.
    const QString body = QString::fromStdString(text).replace(QStringLiteral("\r\n"), "\n");
    QMessageBox box(qtIcon, QString::fromStdString(caption), body,
                    buttons == MessageButtons::YesNo ? QMessageBox::Yes | QMessageBox::No
                                                     : QMessageBox::Ok,
                    owner_);
    const int answer = box.exec();
    if (buttons == MessageButtons::YesNo) {
        return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    return MessageAnswer::Ok;
}

} // namespace sorvel
