// The options window's widgets bound to its model on the offscreen platform: the page list
// brings each page forward, and a control's click reaches the model and shows its effect on
// the others.
#include "OptionWND.h"
#include "OptionsWindowModel.h"
#include "engine_fixture.h"
#include "fake_shell.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QSlider>
#include <QStackedWidget>
#include <QTest>

using namespace sorvel;
namespace fs = std::filesystem;

namespace {

struct NoStore : SettingsStore {
    void LoadSettings(bool) override {}
    void SaveSettings() override {}
};

class OptionsWidgets : public enginetest::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        dsp = std::make_unique<clsDsp>(state, [this](FMOD_RESULT r) { player->CheckResult(r); });
        option = std::make_unique<clsOption>(shell, state.programFolder / "sorvel",
                                             [] { return std::string(); });
        OptionsWindowOwners owners;
        owners.state = &state;
        owners.dsp = dsp.get();
        owners.option = option.get();
        owners.device = &player->audioDeviceSettings();
        owners.settings = &store;
        owners.messageBox = &messageBox;
        owners.fileDialog = &fileDialog;
        owners.outputs = [] { return std::vector<OutputChoice>{{"auto", 0}, {"alsa", 12}}; };
        owners.drivers = [](int32_t) { return std::vector<std::string>{}; };
        model = std::make_unique<OptionsWindowModel>(std::move(owners));
        window = std::make_unique<OptionWND>(*model);
        window->show();
    }
    void TearDown() override {
        window.reset();
        model.reset();
        EngineTest::TearDown();
    }
    template <class T> T* find(const char* name) {
        return window->findChild<T*>(QString::fromLatin1(name));
    }

    settingstest::FakeShell shell;
    NoStore store;
    std::unique_ptr<clsDsp> dsp;
    std::unique_ptr<clsOption> option;
    std::unique_ptr<OptionsWindowModel> model;
    std::unique_ptr<OptionWND> window;
};

} // namespace

TEST_F(OptionsWidgets, EveryPageComesForwardAndControlsActThroughTheModel) {
    auto* pages = find<QListWidget>("List1");
    ASSERT_NE(pages, nullptr);
    ASSERT_EQ(pages->count(), kOptionPageCount);
    for (int page = 0; page < kOptionPageCount; ++page) {
        pages->setCurrentRow(page);
        EXPECT_EQ(window->currentPage(), page);
        EXPECT_EQ(model->page(), page);
    }

    // Pitch on greys out speed at once.
    auto* pitch = find<QCheckBox>("Check2");
    auto* speed = find<QCheckBox>("Check9");
    ASSERT_NE(pitch, nullptr);
    pitch->click();
    EXPECT_EQ(dsp->PitchShift(), 1);
    EXPECT_FALSE(speed->isEnabled());
    EXPECT_FALSE(find<QSlider>("HScroll1_2")->isEnabled());

    // A band moved by a key reaches the equalizer and its slot on closing.
    auto* band = find<QSlider>("VScroll1_0");
    band->setValue(60);
    EXPECT_EQ(model->BandSlider(0), 60);
    window->close();
    EXPECT_EQ(state.optionValues[2], 60);

    // The output page lists what the model offers, the default device when there is none.
    auto* devices = find<QComboBox>("Combo3_1");
    ASSERT_EQ(devices->count(), 1);
    EXPECT_EQ(devices->itemText(0), QString::fromUtf8(kDefaultDevice));
    auto* priority = find<QComboBox>("Combo3_6");
    EXPECT_EQ(priority->count(), 3);
}
