#include "main_keys.h"

#include "Player.h"

#include <array>

namespace sorvel {
namespace {

constexpr int kSeekStepMs = 5000;

struct KeyBinding {
    int key;
    bool control;
    KeyCommand command;
    const char* name;
    int button; // the button whose tip names the key
};

constexpr std::array<KeyBinding, 14> kBindings{{
    {Qt::Key_Z, false, {KeyCommand::Kind::Button, kBack}, "Z", kBack},
    {Qt::Key_X, false, {KeyCommand::Kind::Button, kPlay}, "X", kPlay},
    {Qt::Key_Space, false, {KeyCommand::Kind::Button, kPlay}, "Space", kPlay},
    {Qt::Key_C, false, {KeyCommand::Kind::Button, kPause}, "C", kPause},
    {Qt::Key_V, false, {KeyCommand::Kind::Button, kStop}, "V", kStop},
    {Qt::Key_B, false, {KeyCommand::Kind::Button, kNext}, "B", kNext},
    {Qt::Key_Left, false, {KeyCommand::Kind::Seek, -kSeekStepMs}, "←", kSeekBack},
    {Qt::Key_Right, false, {KeyCommand::Kind::Seek, kSeekStepMs}, "→", kSeekForward},
    {Qt::Key_Up, false, {KeyCommand::Kind::Volume, 1}, "↑", -1},
    {Qt::Key_Down, false, {KeyCommand::Kind::Volume, -1}, "↓", -1},
    {Qt::Key_O, true, {KeyCommand::Kind::Button, kOpenFile}, "Ctrl+O", kOpenFile},
    {Qt::Key_L, true, {KeyCommand::Kind::Button, kPlaylist}, "Ctrl+L", kPlaylist},
    {Qt::Key_P, true, {KeyCommand::Kind::Button, kOption}, "Ctrl+P", kOption},
    {Qt::Key_Escape, false, {KeyCommand::Kind::Button, kMinimize}, "Esc", kMinimize},
}};

} // namespace

std::optional<KeyCommand> mainWindowKey(int key, Qt::KeyboardModifiers modifiers) {
    // Shift and the keypad change nothing; Alt and Meta belong to the desktop.
    const Qt::KeyboardModifiers significant =
        modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    for (const KeyBinding& binding : kBindings) {
        const Qt::KeyboardModifiers wanted =
            binding.control ? Qt::ControlModifier : Qt::KeyboardModifiers();
        if (binding.key == key && significant == wanted) {
            return binding.command;
        }
    }
    return std::nullopt;
}

QString buttonKeysText(int number) {
    QString text;
    for (const KeyBinding& binding : kBindings) {
        if (binding.button == number) {
            text += (text.isEmpty() ? "" : ", ") + QString::fromUtf8(binding.name);
        }
    }
    return text;
}

} // namespace sorvel
