#include "frmMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValidator>
#include <functional>

namespace sorvel {
namespace {

QString qtText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Lets a box change only as the model's rule allows, and tells the window of each refusal.
class TagFieldValidator final : public QValidator {
public:
    TagFieldValidator(TagField field, const TagEditorModel& model,
                      std::function<void(TagField, const QString&)> refused, QObject* parent)
        : QValidator(parent), field_(field), model_(model), refused_(std::move(refused)) {}

    State validate(QString& input, int&) const override {
        if (tagFieldAccepts(field_, model_.text(field_), input.toStdString())) {
            return Acceptable;
        }
        refused_(field_, input);
        return Invalid;
    }

private:
    TagField field_;
    const TagEditorModel& model_;
    std::function<void(TagField, const QString&)> refused_;
};

struct FieldRow {
    TagField field;
    const char* name;
    const char* label;
};

// frav1's rows in the order the window shows them; the genre list sits above the comment.
constexpr std::array<FieldRow, 6> kFieldRows{{
    {TagField::Title, "v1Title", "Title:"},
    {TagField::Artist, "v1Artist", "Artist:"},
    {TagField::Album, "v1Album", "Album:"},
    {TagField::Year, "v1Year", "Year:"},
    {TagField::Track, "v1TNR", "Track nr.:"},
    {TagField::Comment, "v1Comment", "Comment:"},
}};

constexpr std::array<const char*, 10> kInfoLabelNames{
    "lblMPEG", "lblLen", "lblkBit",     "lblFreq",   "lblCopy",
    "lblOrig", "lblCRC", "lblEmphasis", "lblv1Vers", "lblv2Vers"};

} // namespace

frmMain::frmMain(MessageBoxService& messageBox, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(messageBox) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("ID3 MusicFile Infomation & Creator"));

    txtMp3File_ = new QLineEdit(this);
    txtMp3File_->setObjectName(QStringLiteral("txtMp3File"));
    txtMp3File_->setReadOnly(true);
    chkv1_ = new QCheckBox(QStringLiteral("ID3 v1 Tag"), this);
    chkv1_->setObjectName(QStringLiteral("chkv1"));
    chkv2_ = new QCheckBox(QStringLiteral("ID3 v2 Tag"), this);
    chkv2_->setObjectName(QStringLiteral("chkv2"));
    chkv2_->hide(); // ID3v2 frames are not edited here

    frav1_ = new QGroupBox(QStringLiteral("ID3 v1 Tag"), this);
    frav1_->setObjectName(QStringLiteral("frav1"));
    auto* fields = new QGridLayout(frav1_);
    const auto refusedEdit = [this](TagField field, const QString& text) { refused(field, text); };
    int row = 0;
    for (const FieldRow& entry : kFieldRows) {
        if (entry.field == TagField::Comment) {
            genre_ = new QComboBox(frav1_);
            genre_->setObjectName(QStringLiteral("v1Genre"));
            for (const std::string& item : genreItems()) {
                genre_->addItem(qtText(item));
            }
            fields->addWidget(new QLabel(QStringLiteral("Genre:"), frav1_), row, 0);
            fields->addWidget(genre_, row++, 1);
        }
        auto* box = new QLineEdit(frav1_);
        box->setObjectName(QString::fromLatin1(entry.name));
        box->setValidator(new TagFieldValidator(entry.field, model_, refusedEdit, box));
        box->setToolTip(qtText(tagFieldLimitText(entry.field, "")));
        connect(box, &QLineEdit::textEdited, this, [this, field = entry.field](const QString& t) {
            if (model_.setText(field, t.toStdString())) {
                limitNote_->clear();
            }
        });
        boxes_[static_cast<size_t>(entry.field)] = box;
        fields->addWidget(new QLabel(QString::fromUtf8(entry.label), frav1_), row, 0);
        fields->addWidget(box, row++, 1);
    }
    limitNote_ = new QLabel(frav1_);
    limitNote_->setObjectName(QStringLiteral("lblLimit"));
    limitNote_->setWordWrap(true);
    limitNote_->setStyleSheet(QStringLiteral("color: #b04020;"));
    fields->addWidget(limitNote_, row, 0, 1, 2);
    connect(genre_, &QComboBox::currentIndexChanged, this,
            [this](int item) { model_.setGenreItem(item); });
    connect(chkv1_, &QCheckBox::toggled, this, [this](bool ticked) {
        model_.setV1Ticked(ticked);
        frav1_->setVisible(ticked);
    });

    auto* frame1 = new QGroupBox(QStringLiteral("MPEG Info"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    auto* info = new QVBoxLayout(frame1);
    for (size_t i = 0; i < kInfoLabelNames.size(); ++i) {
        infoLabels_[i] = new QLabel(frame1);
        infoLabels_[i]->setObjectName(QString::fromLatin1(kInfoLabelNames[i]));
        info->addWidget(infoLabels_[i]);
    }
    info->addStretch();

    cmdUpdate_ = new QPushButton(QStringLiteral("Save"), this);
    cmdUpdate_->setObjectName(QStringLiteral("cmdUpdate"));
    connect(cmdUpdate_, &QPushButton::clicked, this, [this] {
        model_.save();
        refreshLabels();
    });

    auto* left = new QVBoxLayout;
    auto* checks = new QHBoxLayout;
    checks->addWidget(chkv1_);
    checks->addWidget(chkv2_);
    checks->addStretch();
    left->addLayout(checks);
    left->addWidget(frav1_);
    left->addStretch();
    auto* middle = new QHBoxLayout;
    middle->addLayout(left, 3);
    middle->addWidget(frame1, 2);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(cmdUpdate_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtMp3File_);
    layout->addLayout(middle);
    layout->addLayout(bottom);
    resize(640, 400);
    refresh();
}

frmMain::~frmMain() = default;

void frmMain::openFile(const std::string& path) {
    model_.open(path);
    refresh();
}

void frmMain::refresh() {
    txtMp3File_->setText(qtText(model_.path()));
    for (const TagField field : kTagFields) {
        box(field)->setText(qtText(model_.text(field)));
    }
    {
        const QSignalBlocker quiet(genre_);
        genre_->setCurrentIndex(model_.genreItem());
    }
    {
        const QSignalBlocker quiet(chkv1_);
        chkv1_->setChecked(model_.v1Ticked());
    }
    chkv1_->setVisible(model_.v1BoxShown());
    frav1_->setVisible(model_.v1Ticked());
    limitNote_->clear();
    cmdUpdate_->setEnabled(model_.saveEnabled());
    refreshLabels();
}

void frmMain::refreshLabels() {
    const Mp3InfoLabels& labels = model_.labels();
    const std::array<const std::string*, 10> texts{
        &labels.mpeg,        &labels.length,   &labels.bitrate,   &labels.frequency,
        &labels.copyrighted, &labels.original, &labels.checksums, &labels.emphasis,
        &labels.id3v1,       &labels.id3v2};
    for (size_t i = 0; i < texts.size(); ++i) {
        infoLabels_[i]->setText(qtText(*texts[i]));
    }
}

void frmMain::refused(TagField field, const QString& text) {
    limitNote_->setText(qtText(tagFieldLimitText(field, text.toStdString())));
}

} // namespace sorvel
