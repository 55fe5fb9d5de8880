#include "OptionsWindowModel.h"

#include "StartupDecision.h"
#include "clsAudioDeviceSettings.h"
#include "clsDsp.h"
#include "clsOption.h"
#include "replay_gain.h"
#include "skin_file.h"

#include <algorithm>
#include <cmath>

namespace sorvel {
namespace {

namespace fs = std::filesystem;

// Combo3's lists and the property each sets on Apply.
enum AudioList {
    kOutput = 0,
    kSoundCard,
    kSampleRate,
    kFormat,
    kSpeakerMode,
    kResampling,
    kPriority
};

// optionValues slots the window's load reads and its closing writes.
constexpr size_t kPitchSlot = 0;
constexpr size_t kFrequencySlot = 1;
constexpr size_t kFirstBandSlot = 2;
constexpr size_t kPresetSlot = 21;
constexpr size_t kEqualizerSlot = 22;
constexpr size_t kSpeedSlot = 25;
constexpr size_t kFftSlot = 26;
constexpr std::array<size_t, kPlaybackKindCount> kRateSlots{kPitchSlot, kFrequencySlot, kSpeedSlot,
                                                            kFftSlot};

constexpr std::array<const char*, 7> kOtherCaptions{
    "MSN Live Messengerに曲名を表示させる",
    "常に手前に表示する",
    "アナライザ表示をしない",
    "最小化時にシステムトレイへ格納",
    "曲情報のスクロールを停止",
    "ウィンドウを画面端へスナップさせる",
    "Sorvelをスタートアップへ登録する",
};

int32_t optionValue(const clsOption& option, int index) {
    switch (index) {
    case 0:
        return option.MessengerOn();
    case 1:
        return option.TopMost();
    case 2:
        return option.Analyzer_Off();
    case 3:
        return option.TaskIn();
    case 4:
        return option.ScrollOff();
    case 5:
        return option.SnapWnd();
    default:
        return option.StartUp();
    }
}

void setOptionValue(clsOption& option, int index, int32_t value) {
    switch (index) {
    case 0:
        option.MessengerOn(value);
        break;
    case 1:
        option.TopMost(value);
        break;
    case 2:
        option.Analyzer_Off(value);
        break;
    case 3:
        option.TaskIn(value);
        break;
    case 4:
        option.ScrollOff(value);
        break;
    case 5:
        option.SnapWnd(value);
        break;
    default:
        option.StartUp(value);
        break;
    }
}

// A list index within the list's items, else nothing selected (-1).
int selectable(int index, size_t count) {
    return index >= 0 && static_cast<size_t>(index) < count ? index : -1;
}

} // namespace

const std::array<const char*, kOptionPageCount>& optionPageNames() {
    static constexpr std::array<const char*, kOptionPageCount> names{
        "再生拡張", "エフェクト", "GraphicEqualizer", "関連付け",
        "スキン",   "その他",     "オーディオ出力"};
    return names;
}

const std::array<const char*, kOptionPageCount>& optionPageCaptions() {
    static constexpr std::array<const char*, kOptionPageCount> captions{
        "再生拡張", "エフェクト", "Equalizer Config", "関連付け",
        "スキン",   "その他",     "オーディオ出力"};
    return captions;
}

PreviewSize skinPreviewSize(int pictureWidth, int pictureHeight) {
    if (pictureWidth <= 0 || pictureHeight <= 0) {
        return {};
    }
    const double scale = std::min(double(kSkinPreviewWidth) / pictureWidth,
                                  double(kSkinPreviewHeight) / pictureHeight);
    return {std::max(1, int(std::lround(pictureWidth * scale))),
            std::max(1, int(std::lround(pictureHeight * scale)))};
}

std::string skinCommentText(std::string comment) {
    std::replace(comment.begin(), comment.end(), ' ', '\n');
    return comment;
}

const std::array<const char*, 7>& audioListLabels() {
    static constexpr std::array<const char*, 7> labels{
        "出力形式",         "サウンドカード",     "サンプルレート", "出力フォーマット",
        "スピーカーモード", "サンプリングモード", "優先度"};
    return labels;
}

const std::vector<std::string>& audioListItems(int list) {
    static const std::array<std::vector<std::string>, 7> items{{
        {},
        {},
        {"192000", "96000", "88200", "48000", "44100", "32000", "22050", "16000", "11025", "8000",
         "7333", "6000", "5500"},
        {"8bit integer PCM", "16bit integer PCM", "24bit integer PCM", "32bit integer PCM",
         "32bit floating point PCM"},
        {"Raw", "Monaural", "Stereo", "Quad", "Surround", "5 Point 1", "7 Point 1", "Prologic"},
        {"Non Sampling ", "Linear (HighSpeed - GoodQuality)", "Cubic (midium)",
         "Spline (lowSpeed - HighQuality)"},
        {"高", "中", "低"},
    }};
    static const std::vector<std::string> none;
    return list >= 0 && list < static_cast<int>(items.size()) ? items[static_cast<size_t>(list)]
                                                              : none;
}

int32_t tickPeriodForPriority(int32_t position) {
    return kPriorityRange - position;
}

OptionsWindowModel::OptionsWindowModel(OptionsWindowOwners owners)
    : owners_(std::move(owners)), state_(*owners_.state),
      softMidi_("ソフトウェアシンセでMidiを再生する"),
      // At least 10 ms between ticks: a tick that never pauses would starve the window.
      priority_(0, kPriorityRange - 10, kPriorityRange - 80),
      preAmp_(kMinPreAmpDb, kMaxPreAmpDb, 0) {
    playback_ = std::make_unique<PlaybackControls>(*owners_.dsp);
    effects_ = std::make_unique<EffectControls>(*owners_.dsp, state_.programFolder,
                                                *owners_.messageBox, *owners_.fileDialog);
    equalizer_ = std::make_unique<EqualizerControls>(*owners_.dsp, state_.programFolder,
                                                     *owners_.messageBox, *owners_.fileDialog);
    equalizer_->onPresetChosen = [this](int index) { state_.optionValues[kPresetSlot] = index; };
    for (size_t i = 0; i < others_.size(); ++i) {
        others_[i] = CheckBox(kOtherCaptions[i]);
        others_[i].onClick = [this, i] {
            setOptionValue(*owners_.option, int(i), others_[i].Value());
        };
    }
    softMidi_.onClick = [this] { owners_.device->SoftMidi(softMidi_.Value()); };
    priority_.onChange = [this] {
        state_.refreshIntervalMs = tickPeriodForPriority(priority_.Value());
        if (owners_.restartTick) {
            owners_.restartTick(state_.refreshIntervalMs);
        }
    };
    load();
    // After the load, which only shows what the settings hold.
    preAmp_.onChange = preAmp_.onScroll = [this] {
        if (owners_.replayGainChanged) {
            owners_.replayGainChanged(state_.replayGainMode, preAmp_.Value());
        }
        state_.preAmpDb = preAmp_.Value();
    };
}

OptionsWindowModel::~OptionsWindowModel() = default;

const std::vector<std::string>& OptionsWindowModel::replayGainItems() {
    static const std::vector<std::string> items{"オフ", "トラック", "アルバム"};
    return items;
}

void OptionsWindowModel::SelectReplayGain(int mode) {
    if (!replayGainModeOf(mode)) {
        return;
    }
    if (owners_.replayGainChanged) {
        owners_.replayGainChanged(mode, state_.preAmpDb);
    }
    state_.replayGainMode = mode;
}

std::string OptionsWindowModel::preAmpCaption() const {
    const int32_t db = preAmp_.Value();
    return (db > 0 ? "+" : "") + std::to_string(db) + " dB";
}

void OptionsWindowModel::load() {
    skinPath_ = state_.skinFilePath;
    page_ = 0;
    equalizer_->useEqualizer().SetValue(owners_.dsp->equalizerActive() != 0 ? 1 : 0);
    playback_->ShowCaptions();
    effects_->SelectType(0);

    std::error_code error;
    if (fs::exists(SettingsFilePath(state_), error)) {
        for (int kind = 0; kind < kPlaybackKindCount; ++kind) {
            playback_->slider(static_cast<PlaybackKind>(kind))
                .SetValue(state_.optionValues[kRateSlots[static_cast<size_t>(kind)]]);
        }
        for (int band = 0; band < kBandCount; ++band) {
            equalizer_->band(band).SetValue(
                state_.optionValues[kFirstBandSlot + static_cast<size_t>(band)]);
        }
    }

    for (size_t i = 0; i < others_.size(); ++i) {
        others_[i].SetValue(optionValue(*owners_.option, int(i)));
    }
    effects_->ShowEffectStates();
    const clsDsp& dsp = *owners_.dsp;
    playback_->checkBox(PlaybackKind::Pitch).SetValue(dsp.PitchShift());
    playback_->checkBox(PlaybackKind::Frequency).SetValue(dsp.Freqency());
    playback_->checkBox(PlaybackKind::Speed).SetValue(dsp.speed());
    playback_->checkBox(PlaybackKind::FftSize).SetValue(dsp.FFT());

    const int32_t preset = state_.optionValues[kPresetSlot];
    if (preset >= 0 && static_cast<size_t>(preset) < equalizer_->presetList().size()) {
        equalizer_->SelectPreset(preset);
    }
    effects_->ShowStartCaptions();

    // The output page.
    const clsAudioDeviceSettings& device = *owners_.device;
    audioSelection_[kSampleRate] =
        selectable(device.Samplerate(), audioListItems(kSampleRate).size());
    audioSelection_[kFormat] = selectable(device.SoundFormat() - 1, audioListItems(kFormat).size());
    audioSelection_[kSpeakerMode] =
        selectable(device.Speakermode(), audioListItems(kSpeakerMode).size());
    audioSelection_[kResampling] =
        selectable(device.ReSampling(), audioListItems(kResampling).size());
    audioSelection_[kPriority] = device.Priority() == 128 ? 1 : device.Priority() == 256 ? 2 : 0;
    softMidi_.SetValue(device.SoftMidi());
    priority_.SetValue(
        std::clamp(kPriorityRange - state_.refreshIntervalMs, priority_.Min(), priority_.Max()));
    preAmp_.SetValue(std::clamp(state_.preAmpDb, preAmp_.Min(), preAmp_.Max()));

    if (owners_.associations != nullptr) {
        associations_ = owners_.associations->Read();
    }
    showSkinInformation();
}

void OptionsWindowModel::SelectPage(int page) {
    if (page >= 0 && page < kOptionPageCount) {
        page_ = page;
    }
}

std::vector<std::string> OptionsWindowModel::associationTexts() const {
    std::vector<std::string> texts;
    for (const AssociationEntry& entry : associationEntries()) {
        texts.push_back(associationListText(entry));
    }
    return texts;
}

bool OptionsWindowModel::associationSelected(int entry) const {
    return entry >= 0 && entry < static_cast<int>(kAssociationEntryCount) &&
           associations_[static_cast<size_t>(entry)];
}

void OptionsWindowModel::SelectAssociation(int entry, bool selected) {
    if (entry >= 0 && entry < static_cast<int>(kAssociationEntryCount)) {
        associations_[static_cast<size_t>(entry)] = selected;
    }
}

void OptionsWindowModel::SelectAllAssociations(bool selected) {
    associations_.fill(selected);
}

bool OptionsWindowModel::ApplyAssociations() {
    return owners_.associations != nullptr && owners_.associations->Apply(associations_);
}

void OptionsWindowModel::SetSkinPath(std::string path) {
    skinPath_ = std::move(path);
    showSkinInformation();
}

void OptionsWindowModel::BrowseSkin() {
    FileDialogRequest request;
    request.title = "Open";
    request.filters = {{"Sorvel Skin File(*.ssf)", "*.ssf"}};
    // The user's own skins when there are any, else the shipped ones.
    std::error_code error;
    const fs::path own = state_.programFolder / "Skins";
    request.initialFolder = (fs::is_directory(own, error) || state_.shippedFolder.empty()
                                 ? own
                                 : state_.shippedFolder / "Skins")
                                .string();
    if (auto chosen = owners_.fileDialog->choose(request)) {
        skinPath_ = std::move(*chosen);
    }
    showSkinInformation();
}

void OptionsWindowModel::showSkinInformation() {
    skinName_.clear();
    skinAuthor_.clear();
    skinComment_.clear();
    skinPreview_.clear();
    std::error_code error;
    if (skinPath_.empty() || !fs::is_regular_file(fs::path(skinPath_), error)) {
        return;
    }
    SkinDescription skin;
    ReadSkinDescription(fs::path(skinPath_), {state_.programFolder, state_.shippedFolder}, skin);
    skinName_ = skin.name;
    skinAuthor_ = skin.author;
    skinComment_ = skinCommentText(skin.comment);
    const fs::path back = skinFilePath(skin, skin.backPicture);
    if (!back.empty() && fs::is_regular_file(back, error)) {
        skinPreview_ = back;
    }
}

void OptionsWindowModel::ApplySkin() {
    state_.skinFilePath = skinPath_;
    owners_.settings->SaveSettings();
    owners_.settings->LoadSettings(false);
    if (owners_.reapplySkin) {
        owners_.reapplySkin();
    }
}

void OptionsWindowModel::ensureOutputs() const {
    if (outputsAsked_) {
        return;
    }
    // Asked only once the page is wanted: each question opens a sound system of its own, which
    // the player's start need not wait for.
    outputsAsked_ = true;
    const clsAudioDeviceSettings& device = *owners_.device;
    outputs_ = owners_.outputs ? owners_.outputs() : std::vector<OutputChoice>{};
    audioSelection_[kOutput] =
        outputs_.empty() ? -1 : outputChoiceIndex(outputs_, device.OutputType());
    devices_ =
        audioSelection_[kOutput] >= 0 && owners_.drivers
            ? owners_.drivers(outputs_[static_cast<size_t>(audioSelection_[kOutput])].outputType)
            : std::vector<std::string>{};
    audioSelection_[kSoundCard] =
        devices_.empty() ? 0 : selectable(device.SoundCard(), devices_.size());
}

const std::vector<OutputChoice>& OptionsWindowModel::outputs() const {
    ensureOutputs();
    return outputs_;
}

int OptionsWindowModel::audioSelection(int list) const {
    ensureOutputs();
    return audioSelection_.at(static_cast<size_t>(list));
}

std::vector<std::string> OptionsWindowModel::audioItems(int list) const {
    ensureOutputs();
    if (list == kOutput) {
        std::vector<std::string> labels;
        for (const OutputChoice& output : outputs_) {
            labels.push_back(output.label);
        }
        return labels;
    }
    if (list == kSoundCard) {
        return devices_.empty() ? std::vector<std::string>{kDefaultDevice} : devices_;
    }
    return audioListItems(list);
}

void OptionsWindowModel::SelectAudio(int list, int index) {
    ensureOutputs();
    if (list < 0 || list >= static_cast<int>(audioSelection_.size())) {
        return;
    }
    const int count = static_cast<int>(audioItems(list).size());
    if (index < 0 || index >= count) {
        return;
    }
    audioSelection_[static_cast<size_t>(list)] = index;
    if (list == kOutput && owners_.drivers) {
        devices_ = owners_.drivers(outputs_[static_cast<size_t>(index)].outputType);
        audioSelection_[kSoundCard] = 0;
    }
}

void OptionsWindowModel::ApplyAudio() {
    ensureOutputs();
    clsAudioDeviceSettings& device = *owners_.device;
    if (const int output = audioSelection_[kOutput]; output >= 0) {
        device.OutputType(outputs_[static_cast<size_t>(output)].outputType);
    }
    device.SoundCard(std::max(0, audioSelection_[kSoundCard]));
    device.Samplerate(std::max(0, audioSelection_[kSampleRate]));
    device.SoundFormat(std::max(0, audioSelection_[kFormat]) + 1);
    device.Speakermode(std::max(0, audioSelection_[kSpeakerMode]));
    device.ReSampling(std::max(0, audioSelection_[kResampling]));
    device.Priority(std::max(0, audioSelection_[kPriority]));
    device.DeviceSet(true);
}

void OptionsWindowModel::Close() {
    for (int kind = 0; kind < kPlaybackKindCount; ++kind) {
        state_.optionValues[kRateSlots[static_cast<size_t>(kind)]] =
            playback_->slider(static_cast<PlaybackKind>(kind)).Value();
    }
    for (int band = 0; band < kBandCount; ++band) {
        state_.optionValues[kFirstBandSlot + static_cast<size_t>(band)] =
            equalizer_->band(band).Value();
    }
    state_.optionValues[kPresetSlot] = equalizer_->selectedPreset();
    state_.optionValues[kEqualizerSlot] = equalizer_->useEqualizer().Value();
}

int32_t OptionsWindowModel::RateSlider(int index) const {
    return index >= 0 && index < kPlaybackKindCount
               ? playback_->slider(static_cast<PlaybackKind>(index)).Value()
               : 0;
}

int32_t OptionsWindowModel::EqualizerChecked() const {
    return equalizer_->useEqualizer().Value();
}

int32_t OptionsWindowModel::PresetIndex() const {
    return equalizer_->selectedPreset();
}

int32_t OptionsWindowModel::BandSlider(int band) const {
    return band >= 0 && band < kBandCount ? equalizer_->band(band).Value() : 0;
}

} // namespace sorvel
