#include "StartupDecision.h"
#include "test_media.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace sorvel;
namespace fs = std::filesystem;

namespace {

struct SilentBox : MessageBoxService {
    MessageAnswer show(const std::string&, const std::string&, MessageButtons,
                       MessageIcon) override {
        return MessageAnswer::No;
    }
};

TEST(DeviceSettings, MissingEtcGivesTheDefaults) {
    SilentBox box;
    clsAudioDeviceSettings device(box, "Sorvel");
    int32_t refresh = 0;
    LoadDeviceSettings(testmedia::mediaDir() / "none.ini", device, refresh);
    EXPECT_EQ(device.OutputType(), 0);
    EXPECT_EQ(device.SoundCard(), 0);
    EXPECT_EQ(device.Samplerate(), 4);
    EXPECT_EQ(SampleRateForIndex(device.Samplerate()), 44100);
    EXPECT_EQ(device.SoundFormat(), 2);
    EXPECT_EQ(device.Speakermode(), 2);
    EXPECT_EQ(device.ReSampling(), 1);
    EXPECT_EQ(device.StoredPriority(), 1);
    EXPECT_EQ(device.Priority(), 128);
    EXPECT_EQ(device.SoftMidi(), 1);
    EXPECT_EQ(refresh, 80);
}

TEST(DeviceSettings, PriorityMapsAndUnknownValuesKeepTheOldOne) {
    SilentBox box;
    clsAudioDeviceSettings device(box, "Sorvel");
    const fs::path file = testmedia::mediaDir() / "priority.ini";
    int32_t refresh = 0;
    std::ofstream(file) << "[Etc]\r\n-Priority=256\r\n-InterfacePriority=40\r\n";
    LoadDeviceSettings(file, device, refresh);
    EXPECT_EQ(device.StoredPriority(), 2);
    EXPECT_EQ(device.Priority(), 256);
    EXPECT_EQ(refresh, 40);
    std::ofstream(file) << "[Etc]\r\n-Priority=77\r\n";
    LoadDeviceSettings(file, device, refresh);
    EXPECT_EQ(device.StoredPriority(), 2);
    EXPECT_EQ(SampleRateForIndex(13), 0);
    EXPECT_EQ(SampleRateForIndex(12), 5500);
}

TEST(DeviceSettings, DeclinedRestartLeavesDeviceSetFalse) {
    SilentBox box;
    clsAudioDeviceSettings device(box, "Sorvel");
    EXPECT_FALSE(device.DeviceSet(true));
    EXPECT_FALSE(device.DeviceSet());
}

TEST(LoadDecisionRules, SecondStartsHandOverEndOrRestart) {
    EXPECT_EQ(DecideLoad(true, false, 0), LoadDecision::Start);
    EXPECT_EQ(DecideLoad(false, false, -1), LoadDecision::Start);
    EXPECT_EQ(DecideLoad(true, true, 0), LoadDecision::HandOverCommandLine);
    EXPECT_EQ(DecideLoad(false, true, 0), LoadDecision::EndSilently);
    EXPECT_EQ(DecideLoad(false, true, -1), LoadDecision::StartAfterDeviceReset);

    const fs::path file = testmedia::mediaDir() / "reset.ini";
    std::ofstream(file) << "[Etc]\r\n-AudioDeviceReset=-1\r\n-Other=1\r\n";
    EXPECT_EQ(DecideLoadFromSettings(false, true, file), LoadDecision::StartAfterDeviceReset);
    EXPECT_EQ(DecideLoadFromSettings(true, true, file), LoadDecision::HandOverCommandLine);
    EXPECT_EQ(DecideLoadFromSettings(false, false, file), LoadDecision::Start);
    ClearAudioDeviceReset(file); // the instance runs
    EXPECT_EQ(DecideLoadFromSettings(false, true, file), LoadDecision::EndSilently);
}

// Whatever let the instance run, a set flag goes back to 0 and nothing else in the file moves;
// a file without the flag is left exactly as it was, and none is made.
TEST(LoadDecisionRules, RunningClearsOnlyASetDeviceResetFlag) {
    const struct {
        const char* before;
        const char* after;
    } cases[] = {
        {"[Etc]\r\n-AudioDeviceReset=-1\r\n-Other=1\r\n",
         "[Etc]\r\n-AudioDeviceReset=0\r\n-Other=1\r\n"},
        {"[Main]\r\nx=1\r\n[Etc]\r\n-AudioDeviceReset=1\r\n",
         "[Main]\r\nx=1\r\n[Etc]\r\n-AudioDeviceReset=0\r\n"},
        {"[Etc]\n-AudioDeviceReset=0\n", "[Etc]\n-AudioDeviceReset=0\n"},
        {"[Etc]\n-OutputType=3\n", "[Etc]\n-OutputType=3\n"},
    };
    const fs::path file = testmedia::mediaDir() / "clear.ini";
    for (const auto& c : cases) {
        std::ofstream(file, std::ios::binary) << c.before;
        ClearAudioDeviceReset(file);
        std::stringstream text;
        text << std::ifstream(file, std::ios::binary).rdbuf();
        EXPECT_EQ(text.str(), c.after) << c.before;
    }
    ClearAudioDeviceReset(testmedia::mediaDir() / "never.ini");
    EXPECT_FALSE(fs::exists(testmedia::mediaDir() / "never.ini"));
}

} // namespace
