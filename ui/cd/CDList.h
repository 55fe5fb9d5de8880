// The CD chooser "AudioCD検出": the drives in Combo1, the chosen disc's tracks in List1 (several
// may be selected) and the seven buttons, bound to a CdChooserModel that does what they ask.
// Not modal; closing it lets the listed disc go. UI thread only.
#pragma once

#include "CdChooserModel.h"

#include <QWidget>
#include <array>

class QComboBox;
class QListWidget;
class QPushButton;

namespace sorvel {

class CDList final : public QWidget {
    Q_OBJECT
public:
    // The buttons by index.
    enum Command { kEject = 0, kUpdate, kSelectAll, kAppend, kClearPlaylist, kDeselectAll, kClose };

    explicit CDList(CdChooserOwners owners, QWidget* parent = nullptr);
    ~CDList() override;

    // Shows the window; a window that was closed lists the drives again and picks one.
    void open();
    // Runs button `index` (0 to 6).
    void CommandControl(int index);

    CdChooserModel& model() { return model_; }
    QComboBox* drives() const { return combo1_; }
    QListWidget* tracks() const { return list1_; }
    QPushButton* button(int index) const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showDrives();
    void showTracks();

    CdChooserModel model_;
    QComboBox* combo1_ = nullptr;
    QListWidget* list1_ = nullptr;
    std::array<QPushButton*, 7> buttons_{};
};

} // namespace sorvel
