// The options window's effect, equalizer and playback pages as models: slider events, check
// boxes, the preset lists with their files, and the playback rate of new channels.
#include "EffectControls.h"
#include "EqualizerControls.h"
#include "PlaybackControls.h"
#include "engine_fixture.h"
#include "fx_render.h"

#include <fstream>
#include <functional>
#include <gtest/gtest.h>

namespace {

using namespace fxtest;

class OptionControls : public ::testing::Test {
protected:
    OptionControls() : system(noSound()) {
        static int counter = 0;
        program = testmedia::mediaDir() / ("options" + std::to_string(++counter));
        fs::create_directories(chorusFolder());
        fs::create_directories(program / "Data" / "GEQ");
        state.soundSystem = system.system;
        dsp = std::make_unique<clsDsp>(state, [](FMOD_RESULT) {});
        effects = std::make_unique<EffectControls>(*dsp, program, messageBox, fileDialog);
    }
    static playbacktest::RenderSettings noSound() {
        playbacktest::RenderSettings settings;
        settings.output = FMOD_OUTPUTTYPE_NOSOUND_NRT;
        return settings;
    }
    fs::path chorusFolder() const { return program / "Data" / "Effector" / "Chorus"; }
    static void write(const fs::path& file, const std::string& text) {
        std::ofstream(file, std::ios::binary) << text;
    }
    float parameter(FMOD_DSP unit, int index) {
        float value = NAN;
        FMOD_DSP_GetParameter(unit, index, &value, nullptr, 0);
        return value;
    }
    std::vector<int32_t> chorusSliders() {
        std::vector<int32_t> positions;
        for (size_t i = 0; i < 8; ++i) {
            positions.push_back(effects->slider(EffectKind::Chorus, i).Value());
        }
        return positions;
    }
    std::vector<std::string> presetNames() {
        std::vector<std::string> names;
        for (const auto& preset : effects->presets()) {
            names.push_back(preset.name);
        }
        return names;
    }

    playbacktest::RenderedSystem system;
    PlayerState state;
    fs::path program;
    enginetest::FakeMessageBox messageBox;
    enginetest::FakeFileDialog fileDialog;
    std::unique_ptr<clsDsp> dsp;
    std::unique_ptr<EffectControls> effects;
};

TEST_F(OptionControls, EffectSlidersSendSettledPositionsAndCaptionTheirValues) {
    Slider& delay = effects->slider(EffectKind::Chorus, 4);
    EXPECT_EQ(delay.Min(), 1);
    EXPECT_EQ(delay.Max(), 1000);
    EXPECT_EQ(delay.Value(), 600);
    const FMOD_DSP chorus = dsp->effectUnit(EffectKind::Chorus);

    effects->ShowStartCaptions(); // text only
    EXPECT_EQ(effects->caption(EffectKind::Chorus, 4), "40.1");
    EXPECT_EQ(effects->caption(EffectKind::Distortion, 0), "0.5");
    EXPECT_FLOAT_EQ(parameter(chorus, 4), 40.0f);

    delay.DragTo(1); // the caption follows the thumb; the unit waits for the release
    EXPECT_EQ(effects->caption(EffectKind::Chorus, 4), "100.0");
    EXPECT_FLOAT_EQ(parameter(chorus, 4), 40.0f);
    delay.EndDrag();
    EXPECT_FLOAT_EQ(parameter(chorus, 4), 100.0f);
    EXPECT_TRUE(effects->slider(EffectKind::Compressor, 0).SetValue(-60));
    EXPECT_EQ(effects->caption(EffectKind::Compressor, 0), "-60");
    EXPECT_FLOAT_EQ(parameter(dsp->effectUnit(EffectKind::Compressor), 0), -60.0f);
    EXPECT_FALSE(effects->slider(EffectKind::Compressor, 0).SetValue(1)); // outside the slider

    effects->checkBox(EffectKind::Echo).Click();
    EXPECT_EQ(dsp->EchoBool(), 1);
    effects->sfxReverbCheckBox().Click(); // shows the state only
    EXPECT_EQ(dsp->SfxReverbBool(), 0);
    dsp->SfxReverbBool(1);
    effects->ShowEffectStates();
    EXPECT_EQ(effects->sfxReverbCheckBox().Value(), 1);
    EXPECT_EQ(effects->checkBox(EffectKind::Echo).Value(), 1);
    EXPECT_EQ(effects->checkBox(EffectKind::Chorus).Caption(), "chorus");
}

TEST_F(OptionControls, EffectPresetsListLoadSaveAndDelete) {
    const std::string rule = std::string(kPresetRuleLine) + "\r\n";
    write(chorusFolder() / "Warm.crs",
          rule + "# Sorvel Chorus SettingFile #\r\n" + rule +
              " 1 \r\n 2 \r\n 3 \r\n 4 \r\n 700 \r\n 100 \r\n 50 \r\n 0 \r\n");
    // Damaged: a word, a position outside its slider, a line missing at the end.
    write(chorusFolder() / "Broken.crs", "-\r\n-\r\n-\r\n 9 \r\nwarm\r\n 11 \r\n 8 \r\n 900 \r\n");
    write(chorusFolder() / "notes.txt", "text");
    write(chorusFolder() / "ab", "");

    effects->SelectType(1);
    EXPECT_EQ(presetNames(), (std::vector<std::string>{"Broken", "notes", "Warm"}));
    // The first entry is loaded at once: only the sliders it can set move.
    EXPECT_EQ(chorusSliders(), (std::vector<int32_t>{9, 5, 5, 8, 900, 192, 97, 10}));
    EXPECT_FLOAT_EQ(parameter(dsp->effectUnit(EffectKind::Chorus), 4), 10.1f);

    effects->SelectPreset(1); // notes: looks for notes.crs, finds none
    EXPECT_EQ(chorusSliders(), (std::vector<int32_t>{9, 5, 5, 8, 900, 192, 97, 10}));
    effects->SelectPreset(2);
    const std::vector<int32_t> warm = {1, 2, 3, 4, 700, 100, 50, 0};
    EXPECT_EQ(chorusSliders(), warm);
    EXPECT_EQ(effects->caption(EffectKind::Chorus, 6), "0.50");

    // Save under a name without extension: Mine.crs, 11 lines; the list is rebuilt and its
    // first entry loaded.
    fileDialog.next = (chorusFolder() / "Mine").string();
    effects->Save();
    ASSERT_EQ(fileDialog.requests.size(), 1u);
    EXPECT_EQ(fileDialog.requests[0].title, "Save Effector Settings");
    EXPECT_EQ(fileDialog.requests[0].filters[0].label, "Chorus Settings (*.crs)");
    EXPECT_EQ(fileDialog.requests[0].filters[0].patterns, "*.crs");
    EXPECT_EQ(fs::path(fileDialog.requests[0].initialFolder), chorusFolder());
    EXPECT_EQ(fileDialog.requests[0].defaultSuffix, "crs");
    EXPECT_EQ(presetNames(), (std::vector<std::string>{"Broken", "Mine", "notes", "Warm"}));
    EXPECT_EQ(effects->selectedPreset(), 0);
    effects->SelectPreset(1);
    EXPECT_EQ(chorusSliders(), warm);

    // Delete asks first; No keeps the file.
    messageBox.answer = MessageAnswer::No;
    effects->Delete();
    EXPECT_EQ(messageBox.texts.back(), "Mine を削除します。\r\nよろしいですか？");
    EXPECT_TRUE(fs::exists(chorusFolder() / "Mine.crs"));
    effects->SelectPreset(1);
    messageBox.answer = MessageAnswer::Yes;
    effects->Delete();
    EXPECT_FALSE(fs::exists(chorusFolder() / "Mine.crs"));
    EXPECT_EQ(presetNames(), (std::vector<std::string>{"Broken", "notes", "Warm"}));

    // A file that cannot be written is reported, and nothing else changes.
    const size_t questions = messageBox.texts.size();
    fileDialog.next = (program / "missing" / "x.crs").string();
    effects->Save();
    ASSERT_EQ(messageBox.texts.size(), questions + 1);
    EXPECT_EQ(messageBox.texts.back().rfind("プリセットを保存できませんでした。", 0), 0u);
    fileDialog.next.reset(); // cancelled: nothing written, the list is rebuilt all the same
    effects->Save();
    EXPECT_EQ(presetNames().size(), 3u);

    // A type without a folder lists nothing and deleting there asks nothing.
    effects->SelectType(7);
    EXPECT_TRUE(effects->presets().empty());
    effects->Delete();
    EXPECT_EQ(messageBox.texts.size(), questions + 1);
}

TEST_F(OptionControls, EqualizerPresetsMoveTheBandSliders) {
    EqualizerControls eq(*dsp, program, messageBox, fileDialog);
    std::vector<int> chosen;
    int redraws = 0;
    float band0GainWhenChosen = 0;
    eq.onCurveChanged = [&] { ++redraws; };
    eq.onPresetChosen = [&](int index) {
        chosen.push_back(index);
        band0GainWhenChosen = parameter(dsp->bandUnit(0), 2);
    };
    EXPECT_EQ(eq.band(0).SmallChange(), 5);
    eq.useEqualizer().SetValue(1);
    EXPECT_EQ(dsp->Equalizer(), 1);

    eq.SelectPreset(1); // Rock
    EXPECT_EQ(eq.band(0).Value(), 70);
    EXPECT_EQ(eq.band(4).Value(), 110);
    EXPECT_EQ(eq.band(11).Value(), 100);
    EXPECT_FLOAT_EQ(parameter(dsp->bandUnit(0), 2), 1.3f);
    EXPECT_EQ(redraws, 8); // bands 3, 6, 10 and 11 stay flat
    const BandPositions rock = eq.positions();
    eq.SelectPreset(7);
    EXPECT_EQ(eq.positions(), rock);

    // Dragging a band while Rock is chosen switches to Custom before the band changes.
    eq.SelectPreset(1);
    chosen.clear();
    eq.band(0).DragTo(100);
    EXPECT_EQ(chosen, std::vector<int>{7});
    EXPECT_FLOAT_EQ(band0GainWhenChosen, 1.3f);
    EXPECT_FLOAT_EQ(parameter(dsp->bandUnit(0), 2), 1.0f);
    eq.band(0).DragTo(95);
    EXPECT_EQ(chosen, std::vector<int>{7});
    EXPECT_EQ(eq.Curve(120, 200)[1].y, 95);

    // A file whose fifth value is out of range sets every band but that one.
    const std::string rule = std::string(kPresetRuleLine) + "\r\n";
    std::string text = rule + "# Sorvel GraphicEqualizer SettingFile #\r\n" + rule;
    for (int band = 0; band < 12; ++band) {
        text += band == 4 ? " 300 \r\n" : " " + std::to_string(150 + band) + " \r\n";
    }
    write(program / "Data" / "GEQ" / "Loud.geq", text);
    write(program / "Data" / "GEQ" / "Rock.geq", text);
    eq.RebuildPresetList();
    ASSERT_EQ(eq.presetList().size(), 10u);
    EXPECT_EQ(eq.presetList()[8], "Loud");
    const int32_t band4 = eq.band(4).Value();
    eq.SelectPreset(8);
    EXPECT_EQ(eq.band(0).Value(), 150);
    EXPECT_EQ(eq.band(4).Value(), band4);
    EXPECT_EQ(eq.band(11).Value(), 161);

    // Deleting the built-in Rock deletes nothing, not even a file of the same name.
    eq.SelectPreset(1);
    eq.Delete();
    EXPECT_EQ(messageBox.texts.back(), "Rock を削除します。\r\nよろしいですか？");
    EXPECT_TRUE(fs::exists(program / "Data" / "GEQ" / "Rock.geq"));
    EXPECT_EQ(eq.presetList().size(), 10u);
    EXPECT_EQ(eq.selectedPreset(), 7);

    // Save: 15 lines; the list is rebuilt with Custom chosen and the sliders left alone.
    const BandPositions before = eq.positions();
    fileDialog.next = (program / "Data" / "GEQ" / "Mine").string();
    eq.Save();
    EXPECT_EQ(fileDialog.requests.back().title, "Save GraphicEqualizer Presets");
    EXPECT_EQ(fileDialog.requests.back().defaultSuffix, "geq");
    std::ifstream saved(program / "Data" / "GEQ" / "Mine.geq", std::ios::binary);
    const std::string savedText{std::istreambuf_iterator<char>(saved), {}};
    EXPECT_EQ(std::count(savedText.begin(), savedText.end(), '\n'), 15);
    EXPECT_EQ(eq.presetList().size(), 11u);
    EXPECT_EQ(eq.selectedPreset(), 7);
    EXPECT_EQ(eq.positions(), before);
    // ...and reads back as it was.
    for (int band = 0; band < 12; ++band) {
        eq.band(band).SetValue(100);
    }
    eq.SelectPreset(9);
    EXPECT_EQ(eq.presetList()[9], "Mine");
    EXPECT_EQ(eq.positions(), before);
}

// A dialog that leaves the name as typed ("v1.2" has an extension of its own, so no dialog adds
// the default suffix): the extension is added afterwards, and an existing file of that name is
// asked about before it is replaced.
TEST_F(OptionControls, SavingANameWithoutTheExtensionNeverReplacesAFileUnasked) {
    EqualizerControls eq(*dsp, program, messageBox, fileDialog);
    const fs::path geq = program / "Data" / "GEQ";
    const fs::path reverb = program / "Data" / "Effector" / "Reverb";
    fs::create_directories(reverb);
    const struct {
        std::function<void()> save;
        fs::path typed;
        fs::path saved;
    } cases[] = {
        {[&] { eq.Save(); }, geq / "v1.2", geq / "v1.2.geq"},
        {[&] {
             effects->SelectType(7);
             effects->Save();
         },
         reverb / "Hall", reverb / "Hall.rvb"},
    };
    for (const auto& c : cases) {
        fileDialog.next = c.typed.string();
        messageBox.texts.clear();
        c.save(); // new: written without a question
        ASSERT_TRUE(fs::exists(c.saved)) << c.saved;
        EXPECT_TRUE(messageBox.texts.empty());
        const std::string first = enginetest::readAll(c.saved);

        write(c.saved, "kept");
        messageBox.answer = MessageAnswer::No;
        c.save();
        ASSERT_EQ(messageBox.texts.size(), 1u);
        EXPECT_EQ(messageBox.texts[0],
                  c.saved.filename().string() + " は既に存在します。\r\n上書きしますか？");
        EXPECT_EQ(enginetest::readAll(c.saved), "kept");

        messageBox.answer = MessageAnswer::Yes;
        c.save();
        EXPECT_EQ(enginetest::readAll(c.saved), first);

        // The dialog added the extension itself and asked already: no second question.
        fileDialog.next = c.saved.string();
        messageBox.texts.clear();
        c.save();
        EXPECT_TRUE(messageBox.texts.empty());
        EXPECT_FALSE(fs::exists(c.typed));
    }
}

TEST_F(OptionControls, PlaybackCheckBoxesKeepTheSharedPitchUnitConsistent) {
    PlaybackControls playback(*dsp);
    CheckBox& pitch = playback.checkBox(PlaybackKind::Pitch);
    CheckBox& frequency = playback.checkBox(PlaybackKind::Frequency);
    CheckBox& speed = playback.checkBox(PlaybackKind::Speed);
    EXPECT_EQ(speed.Caption(), "再生速度（周波数音程調整法）");

    playback.slider(PlaybackKind::Pitch).SetValue(-3);
    EXPECT_EQ(playback.caption(PlaybackKind::Pitch), "-3");
    pitch.Click();
    EXPECT_EQ(dsp->PitchShift(), 1);
    EXPECT_FLOAT_EQ(parameter(dsp->pitchUnit(), 0), PitchRatio(-3));
    EXPECT_FALSE(speed.Enabled());
    EXPECT_FALSE(playback.slider(PlaybackKind::Speed).Enabled());
    frequency.Click();
    pitch.Click(); // frequency still on: speed stays locked
    EXPECT_FALSE(speed.Enabled());
    frequency.Click();
    EXPECT_TRUE(speed.Enabled());
    EXPECT_TRUE(playback.slider(PlaybackKind::Speed).Enabled());

    speed.Click();
    EXPECT_FALSE(pitch.Enabled());
    EXPECT_FALSE(frequency.Enabled());
    EXPECT_FALSE(playback.slider(PlaybackKind::Frequency).Enabled());
    pitch.Click(); // disabled: ignored
    EXPECT_EQ(dsp->PitchShift(), 0);
    speed.Click();
    EXPECT_TRUE(pitch.Enabled());

    playback.slider(PlaybackKind::FftSize).SetValue(2);
    playback.ShowCaptions();
    EXPECT_EQ(playback.caption(PlaybackKind::FftSize), "2");
    EXPECT_EQ(playback.caption(PlaybackKind::Speed), "0%");
}

TEST(PlaybackRateOnNewChannels, EngineAppliesSpeedAndFrequencyToEveryChannel) {
    struct RateForwarder : PlaybackRateControl {
        clsDsp* dsp = nullptr;
        void ApplyPlaybackRateSettings() override {
            if (dsp != nullptr) {
                dsp->ApplyPlaybackRateSettings();
            }
        }
    } forwarder;
    PlayerState state;
    state.programFolder = testmedia::mediaDir() / "rate-program";
    fs::create_directories(state.programFolder);
    std::unique_ptr<Player> player;
    std::unique_ptr<clsDsp> dsp;
    PlayerServices services;
    services.playbackRate = &forwarder;
    services.createOptionObjects = [&] {
        dsp = std::make_unique<clsDsp>(state, [&](FMOD_RESULT r) { player->CheckResult(r); });
        forwarder.dsp = dsp.get();
    };
    player = std::make_unique<Player>(state, services);
    player->audioDeviceSettings().OutputType(FMOD_OUTPUTTYPE_NOSOUND_NRT);
    player->StartEngine();
    ASSERT_NE(dsp, nullptr);

    const fs::path tone =
        writeSignal("rate-tone.wav", 0.5, [](double t) { return 0.5 * sine(441, t); });
    auto frequency = [&] {
        float hz = 0;
        FMOD_Channel_GetFrequency(state.currentChannel, &hz);
        return hz;
    };

    // Without the window's model, the stored positions count (slots 1 and 25).
    state.optionValues[25] = 100;
    dsp->speed(1);
    player->OpenMedia(tone.string());
    EXPECT_FLOAT_EQ(frequency(), 88200.0f);

    {
        PlaybackControls playback(*dsp);
        playback.slider(PlaybackKind::Speed).SetValue(-50);
        playback.checkBox(PlaybackKind::Speed).SetValue(1);
        player->OpenMedia(tone.string());
        EXPECT_FLOAT_EQ(frequency(), 44100.0f / 1.5f);
        EXPECT_EQ(playback.caption(PlaybackKind::Speed), "-50%");

        playback.checkBox(PlaybackKind::Speed).SetValue(0);
        playback.slider(PlaybackKind::Frequency).SetValue(50);
        playback.checkBox(PlaybackKind::Frequency).SetValue(1);
        player->OpenMedia(tone.string());
        EXPECT_FLOAT_EQ(frequency(), 66150.0f);
        EXPECT_EQ(playback.caption(PlaybackKind::Frequency), "5.0");
    }
    player->Shutdown();
}

} // namespace
