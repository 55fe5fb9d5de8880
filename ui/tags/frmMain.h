// The tag editor "ID3 MusicFile Infomation & Creator": one MP3 file's ID3v1 tag in editable
// boxes and its stream facts in Frame1, bound to a TagEditorModel that holds and saves them. A
// box refuses an edit the tag could not hold and the window says why. Not modal. UI thread only.
#pragma once

#include "TagEditorModel.h"

#include <QWidget>
#include <array>
#include <string>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace sorvel {

class frmMain final : public QWidget {
    Q_OBJECT
public:
    explicit frmMain(MessageBoxService& messageBox, QWidget* parent = nullptr);
    ~frmMain() override;

    // Runs the opening sequence for the file ID3FileSet remembered and shows the result.
    void openFile(const std::string& path);

    TagEditorModel& model() { return model_; }
    QLineEdit* box(TagField field) const { return boxes_[static_cast<size_t>(field)]; }
    QComboBox* genreBox() const { return genre_; }
    QCheckBox* v1Check() const { return chkv1_; }
    QGroupBox* v1Frame() const { return frav1_; }
    QPushButton* saveButton() const { return cmdUpdate_; }
    // Why the last edit was refused; empty after an edit that was taken.
    QLabel* limitNote() const { return limitNote_; }

private:
    void refresh();
    void refreshLabels();
    void refused(TagField field, const QString& text);

    TagEditorModel model_;
    QLineEdit* txtMp3File_ = nullptr;
    QCheckBox* chkv1_ = nullptr;
    QCheckBox* chkv2_ = nullptr;
    QGroupBox* frav1_ = nullptr;
    std::array<QLineEdit*, kTagFields.size()> boxes_{};
    QComboBox* genre_ = nullptr;
    QLabel* limitNote_ = nullptr;
    QPushButton* cmdUpdate_ = nullptr;
    std::array<QLabel*, 10> infoLabels_{};
};

} // namespace sorvel
