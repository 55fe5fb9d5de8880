// A check box as the options window's logic sees it: value 0 (off), 1 (on) or 2 (the third,
// greyed state), whether it is enabled, and its Click event, which runs whenever the value
// changes, by the user or by the program, as the classic check box does.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace sorvel {

class CheckBox {
public:
    CheckBox() = default;
    explicit CheckBox(std::string caption) : caption_(std::move(caption)) {}

    const std::string& Caption() const { return caption_; }
    int32_t Value() const { return value_; }
    bool Enabled() const { return enabled_; }
    void Enabled(bool enabled) { enabled_ = enabled; }

    // Sets the value; raises Click when it changed.
    void SetValue(int32_t value) {
        if (value == value_) {
            return;
        }
        value_ = value;
        if (onClick) {
            onClick();
        }
    }
    // The user clicked an enabled box: on becomes off, anything else on.
    void Click() {
        if (enabled_) {
            SetValue(value_ == 1 ? 0 : 1);
        }
    }

    std::function<void()> onClick;

private:
    std::string caption_;
    int32_t value_ = 0;
    bool enabled_ = true;
};

} // namespace sorvel
