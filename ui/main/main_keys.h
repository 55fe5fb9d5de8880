// The main window's keyboard: which key does what, and the key names the buttons' tips show.
#pragma once

#include <QString>
#include <Qt>
#include <optional>

namespace sorvel {

struct KeyCommand {
    enum class Kind {
        Button, // what the main window's button `value` does when clicked
        Seek,   // move the position by `value` milliseconds
        Volume, // change the volume level by `value` steps
    };
    Kind kind;
    int value;
};

// Space play/pause, Z X C V B back/play/pause/stop/next, Left/Right seek 5 s, Up/Down volume,
// Ctrl+O open, Ctrl+L playlist window, Ctrl+P options, Esc minimise. Nothing for other keys.
std::optional<KeyCommand> mainWindowKey(int key, Qt::KeyboardModifiers modifiers);

// The keys that do what button `number` does, for its tip ("X, Space"); empty when none.
QString buttonKeysText(int number);

} // namespace sorvel
