#include "application_look.h"

#include "PlayerDesktop.h"
#include "skin_fonts.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QPalette>
#include <QToolTip>

namespace sorvel {

void prepareApplicationLook(QApplication& application) {
    const QStringList installed = QFontDatabase::families();
    for (const char* windowsName :
         {"MS UI Gothic", "ＭＳ Ｐゴシック", "MS PGothic", "ＭＳ ゴシック", "MS Gothic",
          "ＭＳ 明朝", "MS Mincho", "ＭＳ Ｐ明朝", "MS PMincho", "メイリオ", "Meiryo", "Yu Gothic",
          "游ゴシック", "Tahoma", "Arial", "Verdana", "Times New Roman"}) {
        const QString name = QString::fromUtf8(windowsName);
        if (!installed.contains(name, Qt::CaseInsensitive)) {
            QFont::insertSubstitution(name, mapSkinFontFamily(name, installed));
        }
    }
    QFont interfaceFont = QApplication::font();
    const QString japanese = mapSkinFontFamily(QStringLiteral("MS UI Gothic"), installed);
    if (!japanese.isEmpty()) {
        interfaceFont.setFamilies({japanese, interfaceFont.family()});
        QApplication::setFont(interfaceFont);
    }

    QPalette tips = QToolTip::palette();
    tips.setColor(QPalette::ToolTipBase, QColor(70, 70, 70));
    tips.setColor(QPalette::ToolTipText, Qt::white);
    QToolTip::setPalette(tips);
    application.setWindowIcon(playerIcon());
}

} // namespace sorvel
