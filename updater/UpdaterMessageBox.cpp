#include "UpdaterMessageBox.h"

#include <QMessageBox>
#include <cstdio>

namespace sorvel::updater {

UpdaterMessageBox::UpdaterMessageBox(QWidget* owner) : owner_(owner) {
    if (qEnvironmentVariableIsSet("SORVEL_UPDATER_ANSWERS")) {
        scripted_ = true;
        answers_ = qEnvironmentVariable("SORVEL_UPDATER_ANSWERS").split(QLatin1Char(','));
    }
}

MessageAnswer UpdaterMessageBox::show(const std::string& text, const std::string& caption,
                                      MessageButtons buttons, MessageIcon icon) {
    const QString body = QString::fromStdString(text).replace(QStringLiteral("\r\n"), "\n");
    if (scripted_) {
        std::printf("question: %s\n", QString(body).replace('\n', ' ').toUtf8().constData());
        std::fflush(stdout);
        const QString answer = answers_.isEmpty() ? QString() : answers_.takeFirst().trimmed();
        switch (buttons) {
        case MessageButtons::Ok:
            return MessageAnswer::Ok;
        case MessageButtons::YesNo:
            return answer == QLatin1String("yes") ? MessageAnswer::Yes : MessageAnswer::No;
        case MessageButtons::OkCancel:
            return answer == QLatin1String("ok") ? MessageAnswer::Ok : MessageAnswer::Cancel;
        }
    }
    QMessageBox::StandardButtons choices = QMessageBox::Ok;
    if (buttons == MessageButtons::YesNo) {
        choices = QMessageBox::Yes | QMessageBox::No;
    } else if (buttons == MessageButtons::OkCancel) {
        choices = QMessageBox::Ok | QMessageBox::Cancel;
    }
    QMessageBox box(icon == MessageIcon::Information ? QMessageBox::Information
                    : icon == MessageIcon::None      ? QMessageBox::NoIcon
                                                     : QMessageBox::Warning,
                    QString::fromStdString(caption), body, choices, owner_);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    default:
        return buttons == MessageButtons::OkCancel ? MessageAnswer::Cancel
               : buttons == MessageButtons::YesNo  ? MessageAnswer::No
                                                   : MessageAnswer::Ok;
    }
}

} // namespace sorvel::updater
