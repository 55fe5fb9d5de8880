#include "IcyDemuxer.h"

#include <algorithm>

namespace soundlib {

void IcyDemuxer::feed(std::span<const uint8_t> bytes) {
    if (metaint_ == 0) {
        if (!bytes.empty()) {
            audio_(bytes);
        }
        return;
    }
    while (!bytes.empty()) {
        switch (state_) {
        case State::Audio: {
            if (left_ == 0) {
                left_ = metaint_;
            }
            const size_t run = std::min(left_, bytes.size());
            audio_(bytes.first(run));
            bytes = bytes.subspan(run);
            left_ -= run;
            if (left_ == 0) {
                state_ = State::Length;
            }
            break;
        }
        case State::Length:
            left_ = size_t{bytes[0]} * 16;
            bytes = bytes.subspan(1);
            text_.clear();
            state_ = left_ > 0 ? State::Text : State::Audio;
            break;
        case State::Text: {
            const size_t run = std::min(left_, bytes.size());
            text_.append(reinterpret_cast<const char*>(bytes.data()), run);
            bytes = bytes.subspan(run);
            left_ -= run;
            if (left_ == 0) {
                metadata_(text_);
                state_ = State::Audio;
            }
            break;
        }
        }
    }
}

} // namespace soundlib
