// MIDI entries and the sound bank a user puts beside the player.
#include "engine_fixture.h"

#include <fstream>

using namespace enginetest;
namespace fs = std::filesystem;

namespace {

// One note (A4, an eighth note: a quarter second at the default tempo) in a format-0 file.
fs::path writeMidi(const fs::path& path) {
    const unsigned char song[] = {
        'M', 'T',  'h', 'd', 0,    0,  0,   6,  0,    0,  0, 1, 0,    96,       // header
        'M', 'T',  'r', 'k', 0,    0,  0,   15,                                 // track
        0,   0xC0, 73,  0,   0x90, 69, 100, 48, 0x80, 69, 0, 0, 0xFF, 0x2F, 0}; // events
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(song), sizeof song);
    return path;
}

class MidiBank : public EngineTest {
protected:
    // Starts the engine again over a program folder that now holds `bank`.
    void restartWithBank(const std::string& name, const std::string& bytes) {
        player->Shutdown();
        std::ofstream(state.programFolder / name, std::ios::binary) << bytes;
        PlayerServices services;
        services.messageBox = &messageBox;
        services.playlistView = &playlistView;
        services.mainWindow = &mainWindow;
        player = std::make_unique<Player>(state, services);
        player->StartEngine();
    }
};

TEST_F(MidiBank, MidiPlaysThroughTheInstalledBank) {
    const fs::path midi = writeMidi(state.programFolder / "song.mid");
    state.currentIndex = 0;
    player->OpenMedia(midi.string());
    EXPECT_NE(state.currentChannel, 0u);
    EXPECT_EQ(state.titleText, "0. song.mid");
    EXPECT_EQ(state.lengthMs, 250u);
}

TEST_F(MidiBank, ABrokenBankBesideThePlayerIsReported) {
    restartWithBank("gm.sf2", "not a sound font");
    const fs::path midi = writeMidi(state.programFolder / "song.mid");
    state.currentIndex = 0;
    player->OpenMedia(midi.string());
    EXPECT_EQ(state.currentSound, 0u);
    EXPECT_EQ(state.titleText.rfind("ERROR! No.68", 0), 0u) << state.titleText;
}

} // namespace
