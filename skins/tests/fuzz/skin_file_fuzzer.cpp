// Feeds arbitrary bytes to the skin file reader as a ".ssf" in a scratch program folder, then
// lays out the main and the playlist window from what it read, with the pictures left unloaded
// (decoding them is Qt's business, not the skin file's). What must hold for any skin file:
// nothing crashes or overflows, every text is UTF-8 without NUL within the Windows buffer, and
// the layout and knob arithmetic stay defined for any number the file holds.
#include "SkinPictures.h"
#include "fuzz_support.h"
#include "skin_file.h"
#include "skin_layout.h"
#include "text_encoding.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdlib.h>
#include <string>
#include <string_view>
#include <system_error>

namespace {

using namespace sorvel;

using fuzzsupport::require;

// A program folder with the default skin's folder, for the whole run; removed at exit.
const std::filesystem::path& programFolder() {
    static const fuzzsupport::ScratchFolder folder("skin_fuzz");
    static const bool made =
        std::filesystem::create_directories(folder.path() / "Skins" / "Default" / "playlist") &&
        std::filesystem::create_directories(folder.path() / "Skins" / "Fuzz");
    require(made);
    return folder.path();
}

std::size_t codePoints(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }
    return count;
}

// Skin texts go through a 256-character buffer, so at most 255 characters come out.
void checkText(std::string_view text) {
    require(text::isValidUtf8(text));
    require(text.find('\0') == std::string_view::npos);
    require(codePoints(text) <= 255);
}

void checkTexts(const SkinDescription& d) {
    for (const std::string* text :
         {&d.name, &d.author, &d.comment, &d.extension, &d.backPicture, &d.spectrumPicture,
          &d.titleFont.name, &d.timeTxtFont.name, &d.fileTxtFont.name, &d.volumeSlider.barPicture,
          &d.trackSlider.barPicture, &d.panSlider.barPicture, &d.playListMain.backPic}) {
        checkText(*text);
    }
    require(d.dir.ends_with('\\'));
}

// Small numbers for the player's side of the layout, taken from the input.
struct Numbers {
    std::string_view bytes;
    std::size_t at = 0;
    int next(int low, int high) {
        const auto byte = at < bytes.size() ? static_cast<unsigned char>(bytes[at]) : 0u;
        ++at;
        return low + static_cast<int>(byte % static_cast<unsigned>(high - low + 1));
    }
};

int along(const SkinDescription::Slider& slider, QPoint knob) {
    return slider.vertical() ? knob.y() : knob.x();
}

void checkKnobMove(const SkinDescription::Slider& slider, const KnobMove& move) {
    if (move.moved) {
        const int start = slider.vertical() ? slider.barAreaY : slider.barAreaX;
        const int end = slider.vertical() ? slider.barAreaY2 : slider.barAreaX2;
        require(move.knob >= start && move.knob <= end);
    }
}

void checkLayout(const SkinDescription& d, Numbers numbers) {
    const SkinPictures pictures; // nothing loaded: every button hidden
    SkinPlayerState player;
    player.volumeLevel = numbers.next(0, 10);
    player.panPosition = numbers.next(-10, 10);
    player.randomMode = numbers.next(0, 1) != 0;
    player.loopMode = numbers.next(0, 2);
    player.channelPlaying = numbers.next(0, 1) != 0;
    player.trackMaximum = numbers.next(0, 255) * 1000;
    const MainWindowLayout main = mainWindowLayout(d, pictures, player);
    for (const auto& button : main.buttons) {
        require(!button.visible);
    }
    const QPoint screen(numbers.next(-100, 100) * 20, numbers.next(-100, 100) * 20);
    playlistWindowLayout(d, screen);
    for (int row = -1; row <= SkinPictures::rowCount; ++row) {
        for (int state = -1; state <= SkinPictures::stateCount; ++state) {
            SkinPictures::fileName(d, row, state);
        }
    }

    // The knobs where the skin puts them, then dragged a little by the mouse.
    const int pointer = numbers.next(0, 40);
    const int grab = numbers.next(0, 40);
    const bool release = numbers.next(0, 1) != 0;
    const QPoint volumeKnob = volumeKnobPosition(d.volumeSlider, player.volumeLevel);
    checkKnobMove(d.volumeSlider, dragVolumeKnob(d.volumeSlider, along(d.volumeSlider, volumeKnob),
                                                 pointer, grab, player.volumeLevel, release));
    const QPoint panKnob = panKnobPosition(d.panSlider, player.panPosition);
    checkKnobMove(d.panSlider, dragPanKnob(d.panSlider, along(d.panSlider, panKnob), pointer, grab,
                                           player.panPosition, release));
    const QPoint trackKnob =
        trackKnobPosition(d.trackSlider, numbers.next(0, 255) * 500.0, player.trackMaximum);
    checkKnobMove(d.trackSlider, dragTrackKnob(d.trackSlider, along(d.trackSlider, trackKnob),
                                               pointer, grab, player.trackMaximum));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto file = programFolder() / "Skins" / "Fuzz" / "Fuzz.ssf";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        require(out.good());
    }

    const SkinDescription description = ReadSkinDescription(file, programFolder());
    checkTexts(description);
    // Read over another skin's description, every field is this skin's again but the colours
    // the file spells wrongly, which keep the other skin's (as the Windows player kept them).
    SkinDescription over = description;
    over.name = "previous";
    over.mainWidth = -1;
    ReadSkinDescription(file, programFolder(), over);
    require(over.name == description.name && over.mainWidth == description.mainWidth &&
            over.dir == description.dir && over.skinFolder == description.skinFolder);

    skinFilePath(description, description.backPicture);
    checkLayout(description, Numbers{bytes.substr(size / 2)});
    return 0;
}
