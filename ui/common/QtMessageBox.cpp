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
    QMessageBox::StandardButtons choices = QMessageBox::Ok;
    if (buttons == MessageButtons::YesNo) {
        choices = QMessageBox::Yes | QMessageBox::No;
    } else if (buttons == MessageButtons::OkCancel) {
        choices = QMessageBox::Ok | QMessageBox::Cancel;
    }
    QMessageBox box(qtIcon, QString::fromStdString(caption), body, choices, owner_);
    const int answer = box.exec();
    switch (buttons) {
    case MessageButtons::YesNo:
        return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    case MessageButtons::OkCancel:
        // Closing the box is Cancel too.
        return answer == QMessageBox::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
    case MessageButtons::Ok:
        break;
    }
    return MessageAnswer::Ok;
}

} // namespace sorvel
