#include "OptionWND.h"

#include "OptionsWindowModel.h"
#include "skin_shape.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace sorvel {
namespace {

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

QString text(std::string_view value) {
    return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
}

QString text(const char* value) {
    return QString::fromUtf8(value);
}

void setItems(QComboBox& box, const std::vector<std::string>& items, int selected) {
    const QSignalBlocker quiet(box);
    QStringList wanted;
    for (const std::string& item : items) {
        wanted << text(item);
    }
    QStringList shown;
    for (int i = 0; i < box.count(); ++i) {
        shown << box.itemText(i);
    }
    if (shown != wanted) {
        box.clear();
        box.addItems(wanted);
    }
    box.setCurrentIndex(selected);
}

// picEQWave: the twelve band gains as a line over the frequency axis, the middle being flat.
class EqualizerCurveBox final : public QWidget {
public:
    EqualizerCurveBox(EqualizerControls& equalizer, QWidget* parent)
        : QWidget(parent), equalizer_(equalizer) {
        setObjectName(QStringLiteral("picEQWave"));
        setMinimumSize(180, 70);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillRect(rect(), QColor(0x10, 0x14, 0x18));
        painter.setPen(QPen(QColor(0x40, 0x48, 0x50), 1, Qt::DashLine));
        painter.drawLine(QPointF(0, height() / 2.0), QPointF(width(), height() / 2.0));
        const std::vector<CurvePoint> points = equalizer_.Curve(width(), height());
        if (points.empty()) {
            return;
        }
        // A smooth line through the points: each span is a cubic with tangents from its
        // neighbours.
        QPainterPath path(QPointF(points.front().x, points.front().y));
        for (size_t i = 1; i < points.size(); ++i) {
            const CurvePoint& p0 = points[i > 1 ? i - 2 : 0];
            const CurvePoint& p1 = points[i - 1];
            const CurvePoint& p2 = points[i];
            const CurvePoint& p3 = points[std::min(i + 1, points.size() - 1)];
            path.cubicTo(QPointF(p1.x + (p2.x - p0.x) / 6, p1.y + (p2.y - p0.y) / 6),
                         QPointF(p2.x - (p3.x - p1.x) / 6, p2.y - (p3.y - p1.y) / 6),
                         QPointF(p2.x, p2.y));
        }
        painter.setPen(QPen(QColor(0x35, 0xd0, 0xba), 2));
        painter.drawPath(path);
    }

private:
    EqualizerControls& equalizer_;
};

} // namespace

OptionWND::OptionWND(OptionsWindowModel& model, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(model) {
    setObjectName(QStringLiteral("OptionWND"));
    setWindowTitle(QStringLiteral("Option"));
    pages_ = new QListWidget(this);
    pages_->setObjectName(QStringLiteral("List1"));
    for (const char* name : optionPageNames()) {
        pages_->addItem(text(name));
    }
    pages_->setMaximumWidth(pages_->sizeHintForColumn(0) + 24);
    frames_ = new QStackedWidget(this);
    frames_->addWidget(framed(0, buildPlaybackPage()));
    frames_->addWidget(framed(1, buildEffectsPage()));
    frames_->addWidget(framed(2, buildEqualizerPage()));
    frames_->addWidget(framed(3, buildAssociationsPage()));
    frames_->addWidget(framed(4, buildSkinPage()));
    frames_->addWidget(framed(5, buildOtherPage()));
    frames_->addWidget(framed(6, buildAudioPage()));
    connect(pages_, &QListWidget::currentRowChanged, this, [this](int row) {
        model_.SelectPage(row);
        frames_->setCurrentIndex(model_.page());
    });
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(pages_);
    layout->addWidget(frames_, 1);
    refresh();
}

OptionWND::~OptionWND() = default;

QWidget* OptionWND::framed(int page, QWidget* content) {
    auto* frame = new QGroupBox(text(optionPageCaptions()[static_cast<size_t>(page)]));
    frame->setObjectName(QStringLiteral("Frame1_%1").arg(page));
    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(content);
    layout->addStretch(1);
    return frame;
}

void OptionWND::showPage(int page) {
    pages_->setCurrentRow(page);
}

int OptionWND::currentPage() const {
    return frames_->currentIndex();
}

void OptionWND::refresh() {
    refreshing_ = true;
    {
        const QSignalBlocker quiet(pages_);
        pages_->setCurrentRow(model_.page());
    }
    frames_->setCurrentIndex(model_.page());
    for (const auto& show : refreshers_) {
        show();
    }
    refreshing_ = false;
}

QWidget* OptionWND::boundCheckBox(CheckBox& box) {
    auto* widget = new QCheckBox(text(box.Caption()));
    connect(widget, &QCheckBox::clicked, this, [this, &box] {
        box.Click();
        refresh();
    });
    onRefresh([widget, &box] {
        const QSignalBlocker quiet(widget);
        widget->setChecked(box.Value() == 1);
        widget->setEnabled(box.Enabled());
    });
    return widget;
}

QWidget* OptionWND::boundSlider(Slider& slider, Qt::Orientation orientation) {
    auto* widget = new QSlider(orientation);
    widget->setRange(slider.Min(), slider.Max());
    widget->setSingleStep(slider.SmallChange());
    widget->setPageStep(std::max(slider.SmallChange(), (slider.Max() - slider.Min()) / 10));
    // The smallest position at the top, as the scroll bars the settings were made with.
    widget->setInvertedAppearance(orientation == Qt::Vertical);
    widget->setInvertedControls(orientation == Qt::Vertical);
    connect(widget, &QSlider::sliderMoved, this, [this, &slider](int position) {
        slider.DragTo(position);
        refresh();
    });
    connect(widget, &QSlider::sliderReleased, this, [this, &slider] {
        slider.EndDrag();
        refresh();
    });
    connect(widget, &QSlider::valueChanged, this, [this, widget, &slider](int position) {
        if (refreshing_ || widget->isSliderDown()) {
            return;
        }
        // A click on the track or a key moves the thumb as a drag does, so a band moved this
        // way also leaves its preset for "Custom" and is kept over a restart.
        slider.DragTo(position);
        slider.EndDrag();
        refresh();
    });
    onRefresh([widget, &slider] {
        const QSignalBlocker quiet(widget);
        widget->setValue(slider.Value());
        widget->setEnabled(slider.Enabled());
    });
    return widget;
}

QWidget* OptionWND::buildPlaybackPage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    PlaybackControls& playback = model_.playback();
    for (int i = 0; i < kPlaybackKindCount; ++i) {
        const auto kind = static_cast<PlaybackKind>(i);
        QWidget* box = boundCheckBox(playback.checkBox(kind));
        box->setObjectName(QStringLiteral("Check%1").arg(std::array{2, 3, 9, 10}[size_t(i)]));
        QWidget* slider = boundSlider(playback.slider(kind), Qt::Horizontal);
        slider->setObjectName(QStringLiteral("HScroll1_%1").arg(i));
        auto* caption = new QLabel;
        caption->setObjectName(QStringLiteral("PlayDSPCap_%1").arg(i));
        caption->setMinimumWidth(caption->fontMetrics().horizontalAdvance(QStringLiteral("0")) *
                                 16);
        onRefresh([caption, &playback, kind] { caption->setText(text(playback.caption(kind))); });
        grid->addWidget(box, i, 0);
        grid->addWidget(slider, i, 1);
        grid->addWidget(caption, i, 2);
    }
    grid->setColumnStretch(1, 1);

    // Loudness levelling by the files' ReplayGain (or the scan's) values.
    auto* levelling = new QGroupBox(QStringLiteral("ReplayGain"));
    levelling->setObjectName(QStringLiteral("ReplayGainFrame"));
    auto* rows = new QGridLayout(levelling);
    auto* mode = new QComboBox;
    mode->setObjectName(QStringLiteral("ReplayGainMode"));
    for (const std::string& item : OptionsWindowModel::replayGainItems()) {
        mode->addItem(text(item));
    }
    connect(mode, &QComboBox::activated, this, [this](int index) {
        model_.SelectReplayGain(index);
        refresh();
    });
    onRefresh([this, mode] {
        const QSignalBlocker quiet(mode);
        mode->setCurrentIndex(model_.replayGainMode());
    });
    QWidget* preAmp = boundSlider(model_.preAmp(), Qt::Horizontal);
    preAmp->setObjectName(QStringLiteral("PreAmp"));
    auto* preAmpCaption = new QLabel;
    preAmpCaption->setObjectName(QStringLiteral("PreAmpCap"));
    onRefresh([this, preAmpCaption] { preAmpCaption->setText(text(model_.preAmpCaption())); });
    rows->addWidget(new QLabel(text("音量の平準化")), 0, 0);
    rows->addWidget(mode, 0, 1, 1, 2);
    rows->addWidget(new QLabel(text("プリアンプ")), 1, 0);
    rows->addWidget(preAmp, 1, 1);
    rows->addWidget(preAmpCaption, 1, 2);
    rows->setColumnStretch(1, 1);
    grid->addWidget(levelling, kPlaybackKindCount, 0, 1, 3);
    return page;
}

QWidget* OptionWND::buildEffectsPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    EffectControls& effects = model_.effects();

    auto* checks = new QGridLayout;
    int at = 0;
    for (const EffectDescription& effect : Effects()) {
        QWidget* box = boundCheckBox(effects.checkBox(effect.kind));
        checks->addWidget(box, at / 5, at % 5);
        ++at;
    }
    // Shows the SFX reverb's state; clicking it changes nothing.
    auto* sfx = new QCheckBox(text(effects.sfxReverbCheckBox().Caption()));
    sfx->setObjectName(QStringLiteral("chkSfxReverb"));
    connect(sfx, &QCheckBox::clicked, this, [this] { refresh(); });
    onRefresh([sfx, &effects] {
        const QSignalBlocker quiet(sfx);
        sfx->setChecked(effects.sfxReverbCheckBox().Value() == 1);
    });
    checks->addWidget(sfx, at / 5, at % 5);
    layout->addLayout(checks);

    auto* selectors = new QHBoxLayout;
    auto* type = new QComboBox;
    type->setObjectName(QStringLiteral("Combo2_0"));
    for (const EffectDescription& effect : Effects()) {
        type->addItem(text(effect.name));
    }
    auto* preset = new QComboBox;
    preset->setObjectName(QStringLiteral("Combo2_1"));
    preset->setMinimumContentsLength(12);
    auto* save = new QPushButton(QStringLiteral("Save"));
    save->setObjectName(QStringLiteral("SDButton_0"));
    auto* remove = new QPushButton(QStringLiteral("Delete"));
    remove->setObjectName(QStringLiteral("SDButton_1"));
    selectors->addWidget(type);
    selectors->addWidget(preset, 1);
    selectors->addWidget(save);
    selectors->addWidget(remove);
    layout->addLayout(selectors);
    connect(type, &QComboBox::activated, this, [this, &effects](int index) {
        effects.SelectType(index);
        refresh();
    });
    connect(preset, &QComboBox::activated, this, [this, &effects](int index) {
        effects.SelectPreset(index);
        refresh();
    });
    connect(save, &QPushButton::clicked, this, [this, &effects] {
        effects.Save();
        refresh();
    });
    connect(remove, &QPushButton::clicked, this, [this, &effects] {
        effects.Delete();
        refresh();
    });
    onRefresh([type, preset, &effects] {
        const QSignalBlocker quietType(type);
        type->setCurrentIndex(effects.selectedType());
        std::vector<std::string> names;
        for (const PresetName& name : effects.presets()) {
            names.push_back(name.name);
        }
        setItems(*preset, names, effects.selectedPreset());
    });

    // One parameter panel per effect; the chosen type's is in front.
    auto* panels = new QStackedWidget;
    for (const EffectDescription& effect : Effects()) {
        auto* panel = new QGroupBox(text(EffectPanelCaption(effect.kind)));
        panel->setObjectName(QStringLiteral("EffectController_%1").arg(int(effect.kind)));
        auto* grid = new QGridLayout(panel);
        for (size_t i = 0; i < effects.sliderCount(effect.kind); ++i) {
            const int column = static_cast<int>(i);
            auto* label = new QLabel(text(effect.parameters[i].label));
            label->setAlignment(Qt::AlignHCenter);
            QWidget* slider = boundSlider(effects.slider(effect.kind, i), Qt::Vertical);
            slider->setMinimumHeight(110);
            auto* caption = new QLabel;
            caption->setAlignment(Qt::AlignHCenter);
            onRefresh([caption, &effects, kind = effect.kind, i] {
                caption->setText(text(effects.caption(kind, i)));
            });
            grid->addWidget(label, 0, column);
            grid->addWidget(slider, 1, column, Qt::AlignHCenter);
            grid->addWidget(caption, 2, column);
        }
        panels->addWidget(panel);
    }
    onRefresh([panels, &effects] { panels->setCurrentIndex(std::max(0, effects.selectedType())); });
    layout->addWidget(panels);
    return page;
}

QWidget* OptionWND::buildEqualizerPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    EqualizerControls& equalizer = model_.equalizer();

    auto* top = new QHBoxLayout;
    QWidget* use = boundCheckBox(equalizer.useEqualizer());
    use->setObjectName(QStringLiteral("Check1"));
    auto* presets = new QComboBox;
    presets->setObjectName(QStringLiteral("Combo1"));
    presets->setMinimumContentsLength(12);
    auto* save = new QPushButton(QStringLiteral("SaveGEQ"));
    save->setObjectName(QStringLiteral("Command4_0"));
    auto* remove = new QPushButton(QStringLiteral("DelGEQ"));
    remove->setObjectName(QStringLiteral("Command4_1"));
    top->addWidget(use);
    top->addWidget(presets, 1);
    top->addWidget(save);
    top->addWidget(remove);
    layout->addLayout(top);
    connect(presets, &QComboBox::activated, this, [this, &equalizer](int index) {
        equalizer.SelectPreset(index);
        refresh();
    });
    connect(save, &QPushButton::clicked, this, [this, &equalizer] {
        equalizer.Save();
        refresh();
    });
    connect(remove, &QPushButton::clicked, this, [this, &equalizer] {
        equalizer.Delete();
        refresh();
    });
    onRefresh([presets, &equalizer] {
        setItems(*presets, equalizer.presetList(), equalizer.selectedPreset());
    });

    auto* bands = new QGridLayout;
    auto* scaleTop = new QLabel(text(kBandScaleTop));
    auto* scaleBottom = new QLabel(text(kBandScaleBottom));
    bands->addWidget(scaleTop, 0, 0, Qt::AlignTop);
    bands->addWidget(scaleBottom, 0, 0, Qt::AlignBottom);
    for (int band = 0; band < kBandCount; ++band) {
        QWidget* slider = boundSlider(equalizer.band(band), Qt::Vertical);
        slider->setObjectName(QStringLiteral("VScroll1_%1").arg(band));
        slider->setMinimumHeight(120);
        bands->addWidget(slider, 0, band + 1, Qt::AlignHCenter);
        auto* label = new QLabel(text(EqualizerBands()[static_cast<size_t>(band)].label));
        label->setAlignment(Qt::AlignHCenter);
        bands->addWidget(label, 1, band + 1);
    }
    layout->addLayout(bands);
    auto* curve = new EqualizerCurveBox(equalizer, page);
    layout->addWidget(curve);
    onRefresh([curve] { curve->update(); });
    return page;
}

QWidget* OptionWND::buildAssociationsPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* list = new QListWidget;
    list->setObjectName(QStringLiteral("List2"));
    list->setSelectionMode(QAbstractItemView::MultiSelection);
    for (const std::string& entry : model_.associationTexts()) {
        // The tab between description and pattern reads as a gap.
        list->addItem(text(entry).replace(QLatin1Char('\t'), QStringLiteral("    ")));
    }
    layout->addWidget(list);
    connect(list, &QListWidget::itemSelectionChanged, this, [this, list] {
        if (refreshing_) {
            return;
        }
        for (int i = 0; i < list->count(); ++i) {
            model_.SelectAssociation(i, list->item(i)->isSelected());
        }
    });
    onRefresh([this, list] {
        const QSignalBlocker quiet(list);
        for (int i = 0; i < list->count(); ++i) {
            list->item(i)->setSelected(model_.associationSelected(i));
        }
    });
    auto* buttons = new QHBoxLayout;
    const std::array<const char*, 3> captions{"全選択", "全解除", "適用"};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QPushButton(text(captions[static_cast<size_t>(i)]));
        button->setObjectName(QStringLiteral("Command3_%1").arg(i));
        buttons->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, i] {
            if (i == 2) {
                model_.ApplyAssociations();
            } else {
                model_.SelectAllAssociations(i == 0);
            }
            refresh();
        });
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);
    return page;
}

QWidget* OptionWND::buildSkinPage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    auto* path = new QLineEdit;
    path->setObjectName(QStringLiteral("Text1"));
    auto* browse = new QPushButton(QStringLiteral("..."));
    browse->setObjectName(QStringLiteral("Command1"));
    auto* apply = new QPushButton(text("適用"));
    apply->setObjectName(QStringLiteral("Command2"));
    grid->addWidget(path, 0, 0, 1, 2);
    grid->addWidget(browse, 0, 2);
    grid->addWidget(apply, 0, 3);
    connect(path, &QLineEdit::editingFinished, this, [this, path] {
        if (path->text().toStdString() != model_.skinPath()) {
            model_.SetSkinPath(path->text().toStdString());
            refresh();
        }
    });
    connect(browse, &QPushButton::clicked, this, [this] {
        model_.BrowseSkin();
        refresh();
    });
    connect(apply, &QPushButton::clicked, this, [this, path] {
        model_.SetSkinPath(path->text().toStdString());
        model_.ApplySkin();
        refresh();
    });

    auto* name = new QLineEdit;
    name->setObjectName(QStringLiteral("Text2"));
    auto* author = new QLineEdit;
    author->setObjectName(QStringLiteral("Text3"));
    auto* comment = new QPlainTextEdit;
    comment->setObjectName(QStringLiteral("Text4"));
    for (QWidget* box : std::initializer_list<QWidget*>{name, author}) {
        static_cast<QLineEdit*>(box)->setReadOnly(true);
    }
    comment->setReadOnly(true);
    comment->setMaximumHeight(comment->fontMetrics().lineSpacing() * 6);
    grid->addWidget(new QLabel(QStringLiteral("SkinName")), 1, 0);
    grid->addWidget(name, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Author")), 2, 0);
    grid->addWidget(author, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Comment")), 3, 0, Qt::AlignTop);
    grid->addWidget(comment, 3, 1);
    auto* preview = new QLabel;
    preview->setObjectName(QStringLiteral("Image1"));
    preview->setFixedSize(kSkinPreviewWidth, kSkinPreviewHeight);
    preview->setAlignment(Qt::AlignCenter);
    grid->addWidget(preview, 1, 2, 3, 2, Qt::AlignTop);
    grid->setColumnStretch(1, 1);
    onRefresh([this, path, name, author, comment, preview] {
        path->setText(text(model_.skinPath()));
        name->setText(text(model_.skinName()));
        author->setText(text(model_.skinAuthor()));
        comment->setPlainText(text(model_.skinComment()));
        QImageReader reader(QString::fromStdString(model_.skinPreview().string()));
        const QImage picture = model_.skinPreview().empty() ? QImage() : reader.read();
        const PreviewSize size = skinPreviewSize(picture.width(), picture.height());
        preview->setPixmap(picture.isNull() ? QPixmap()
                                            : QPixmap::fromImage(picture.scaled(
                                                  size.width, size.height, Qt::IgnoreAspectRatio,
                                                  Qt::SmoothTransformation)));
    });
    return page;
}

QWidget* OptionWND::buildOtherPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    for (int i = 0; i < 7; ++i) {
        QWidget* box = boundCheckBox(model_.other(i));
        box->setObjectName(QStringLiteral("EtcOP_%1").arg(i));
        layout->addWidget(box);
    }
    return page;
}

QWidget* OptionWND::buildAudioPage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    for (int list = 0; list < 7; ++list) {
        auto* label = new QLabel(text(audioListLabels()[static_cast<size_t>(list)]));
        auto* box = new QComboBox;
        box->setObjectName(QStringLiteral("Combo3_%1").arg(list));
        grid->addWidget(label, list, 0);
        grid->addWidget(box, list, 1, 1, 2);
        connect(box, &QComboBox::activated, this, [this, list](int index) {
            model_.SelectAudio(list, index);
            refresh();
        });
        onRefresh([this, box, list] {
            setItems(*box, model_.audioItems(list), model_.audioSelection(list));
        });
    }
    QWidget* softMidi = boundCheckBox(model_.softMidi());
    softMidi->setObjectName(QStringLiteral("Check4"));
    grid->addWidget(softMidi, 7, 0, 1, 3);
    auto* apply = new QPushButton(text("適用"));
    apply->setObjectName(QStringLiteral("Command5"));
    connect(apply, &QPushButton::clicked, this, [this] {
        model_.ApplyAudio();
        refresh();
    });
    grid->addWidget(apply, 8, 2);

    auto* priority = new QGroupBox(text("インタフェースプライオリティ"));
    auto* row = new QHBoxLayout(priority);
    QWidget* slider = boundSlider(model_.priority(), Qt::Horizontal);
    slider->setObjectName(QStringLiteral("Slider2"));
    // The far end is the shortest period, the highest priority.
    row->addWidget(new QLabel(text("低")));
    row->addWidget(slider, 1);
    row->addWidget(new QLabel(text("高")));
    grid->addWidget(priority, 9, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    return page;
}

void OptionWND::closeEvent(QCloseEvent* event) {
    model_.Close();
    event->accept();
    if (onClosed) {
        onClosed();
    }
}

} // namespace sorvel
