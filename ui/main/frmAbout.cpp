#include "frmAbout.h"

#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

namespace sorvel {

QString aboutVersionLine(const QString& version) {
    QStringList parts = version.split(QLatin1Char('.'));
    while (parts.size() < 4) {
        parts << QStringLiteral("0");
    }
    return QStringLiteral("ﾊﾞｰｼﾞｮﾝ ") + parts.mid(0, 4).join(QLatin1Char('.'));
}

frmAbout::frmAbout(const QString& title, const QString& version, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(title + QStringLiteral("のﾊﾞｰｼﾞｮﾝ情報"));
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(title, this);
    QFont bigger = name->font();
    bigger.setPointSizeF(bigger.pointSizeF() * 1.6);
    bigger.setBold(true);
    name->setFont(bigger);
    layout->addWidget(name);
    layout->addWidget(new QLabel(aboutVersionLine(version), this));
    auto* description = new QLabel(
        QStringLiteral("スキンで着せ替えできる日本語のメディアプレーヤー。\n"
                       "制作: Sorvel の開発者一同\n"
                       "サウンド: Sorvel soundlib (FFmpeg, libopenmpt, FluidSynth, RtAudio)\n"
                       "ウィンドウ: Qt 6"),
        this);
    description->setWordWrap(true);
    layout->addWidget(description);
    cmdOK_ = new QPushButton(QStringLiteral("OK"), this);
    cmdOK_->setDefault(true);
    layout->addWidget(cmdOK_, 0, Qt::AlignRight);
    connect(cmdOK_, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace sorvel
