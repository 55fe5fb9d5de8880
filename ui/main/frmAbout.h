// The about box: the program's title and version and the credits.
#pragma once

#include <QDialog>
#include <QString>

class QPushButton;

namespace sorvel {

class frmAbout final : public QDialog {
    Q_OBJECT
public:
    frmAbout(const QString& title, const QString& version, QWidget* parent);

    QPushButton* cmdOK() const { return cmdOK_; }

private:
    QPushButton* cmdOK_ = nullptr;
};

// "ﾊﾞｰｼﾞｮﾝ " and the four parts (major, minor, build, revision) joined by ".", as the
// program's version marker and `sorvel --version` give them.
QString aboutVersionLine(const QString& version);

} // namespace sorvel
