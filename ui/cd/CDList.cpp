#include "CDList.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace sorvel {
namespace {

constexpr std::array<const char*, 7> kCaptions{
    "取り出し", "更新", "全選択", "プレイリストに追加", "プレイリスト全消去", "全解除", "閉じる"};

} // namespace

CDList::CDList(CdChooserOwners owners, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(std::move(owners)) {
    setObjectName(QStringLiteral("CDList"));
    setWindowTitle(QStringLiteral("AudioCD検出"));
    combo1_ = new QComboBox(this);
    combo1_->setObjectName(QStringLiteral("Combo1"));
    // A click on an item reads its disc again, even the one already chosen.
    connect(combo1_, &QComboBox::activated, this, [this](int item) {
        model_.selectDrive(item);
        showTracks();
    });
    list1_ = new QListWidget(this);
    list1_->setObjectName(QStringLiteral("List1"));
    list1_->setSelectionMode(QAbstractItemView::MultiSelection);
    connect(list1_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { model_.playTrack(list1_->row(item)); });

    auto* buttons = new QGridLayout;
    for (int index = 0; index < static_cast<int>(kCaptions.size()); ++index) {
        auto* button =
            new QPushButton(QString::fromUtf8(kCaptions[static_cast<size_t>(index)]), this);
        button->setObjectName(QStringLiteral("Command1_%1").arg(index));
        connect(button, &QPushButton::clicked, this, [this, index] { CommandControl(index); });
        buttons_[static_cast<size_t>(index)] = button;
    }
    // The list's own buttons beside it, the playlist's and the window's below.
    buttons->addWidget(buttons_[kEject], 0, 0);
    buttons->addWidget(buttons_[kUpdate], 0, 1);
    buttons->addWidget(buttons_[kSelectAll], 0, 2);
    buttons->addWidget(buttons_[kDeselectAll], 0, 3);
    buttons->addWidget(buttons_[kAppend], 1, 0, 1, 2);
    buttons->addWidget(buttons_[kClearPlaylist], 1, 2);
    buttons->addWidget(buttons_[kClose], 1, 3);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(combo1_);
    layout->addWidget(list1_, 1);
    layout->addLayout(buttons);
    resize(420, 360);
}

CDList::~CDList() = default;

QPushButton* CDList::button(int index) const {
    return index >= 0 && index < static_cast<int>(buttons_.size())
               ? buttons_[static_cast<size_t>(index)]
               : nullptr;
}

void CDList::open() {
    if (!isVisible()) {
        model_.open();
        showDrives();
        showTracks();
    }
    show();
    raise();
    activateWindow();
}

void CDList::CommandControl(int index) {
    switch (index) {
    case kEject:
        model_.eject();
        break;
    case kUpdate:
        model_.selectDrive(model_.selectedDrive());
        showTracks();
        break;
    case kSelectAll:
        list1_->selectAll();
        break;
    case kAppend: {
        std::vector<int> rows;
        for (int row = 0; row < list1_->count(); ++row) {
            if (list1_->item(row)->isSelected()) {
                rows.push_back(row);
            }
        }
        model_.appendToPlaylist(rows);
        break;
    }
    case kClearPlaylist:
        model_.clearPlaylist();
        break;
    case kDeselectAll:
        list1_->clearSelection();
        break;
    case kClose:
        close();
        break;
    default:
        break;
    }
}

void CDList::closeEvent(QCloseEvent* event) {
    model_.close();
    event->accept();
}

void CDList::showDrives() {
    const QSignalBlocker quiet(combo1_);
    combo1_->clear();
    for (const std::string& item : model_.driveItems()) {
        combo1_->addItem(QString::fromStdString(item));
    }
    combo1_->setCurrentIndex(model_.selectedDrive());
}

void CDList::showTracks() {
    list1_->clear();
    for (const std::string& row : model_.trackRows()) {
        list1_->addItem(QString::fromStdString(row));
    }
}

} // namespace sorvel
