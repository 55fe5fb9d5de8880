#include "MpvPlayer.h"

#include <QByteArray>
#include <QMetaObject>
#include <clocale>
#include <cstring>
#include <mpv/client.h>

namespace sorvel {
namespace {

using Clock = std::chrono::steady_clock;

void setOption(mpv_handle* handle, const char* name, const char* value) {
    mpv_set_option_string(handle, name, value);
}

int64_t int64Of(const mpv_node& map, const char* key) {
    for (int i = 0; i < map.u.list->num; ++i) {
        if (std::strcmp(map.u.list->keys[i], key) == 0 &&
            map.u.list->values[i].format == MPV_FORMAT_INT64) {
            return map.u.list->values[i].u.int64;
        }
    }
    return 0;
}

const mpv_byte_array* bytesOf(const mpv_node& map, const char* key) {
    for (int i = 0; i < map.u.list->num; ++i) {
        if (std::strcmp(map.u.list->keys[i], key) == 0 &&
            map.u.list->values[i].format == MPV_FORMAT_BYTE_ARRAY) {
            return map.u.list->values[i].u.ba;
        }
    }
    return nullptr;
}

} // namespace

MpvPlayer::MpvPlayer(const std::string& audioOutputs, QObject* parent) : QObject(parent) {
    // mpv refuses to start under a locale whose numbers are not written the C way.
    std::setlocale(LC_NUMERIC, "C");
    handle_ = mpv_create();
    if (handle_ == nullptr) {
        return;
    }
    // The picture only through the render API; no input, scripts, on-screen controls or user
    // configuration: the window is ours.
    setOption(handle_, "vo", "libmpv");
    setOption(handle_, "ao", audioOutputs.c_str());
    setOption(handle_, "audio-client-name", "Sorvel");
    setOption(handle_, "hwdec", "auto-safe");
    setOption(handle_, "keep-open", "yes");
    setOption(handle_, "idle", "yes");
    setOption(handle_, "pause", "yes");
    setOption(handle_, "keepaspect", "no");
    setOption(handle_, "config", "no");
    setOption(handle_, "terminal", "no");
    setOption(handle_, "load-scripts", "no");
    setOption(handle_, "ytdl", "no");
    setOption(handle_, "osc", "no");
    setOption(handle_, "osd-level", "0");
    setOption(handle_, "input-default-bindings", "no");
    setOption(handle_, "input-vo-keyboard", "no");
    if (mpv_initialize(handle_) < 0) {
        mpv_terminate_destroy(handle_);
        handle_ = nullptr;
        return;
    }
    mpv_observe_property(handle_, 0, "time-pos", MPV_FORMAT_DOUBLE);
    mpv_observe_property(handle_, 0, "duration", MPV_FORMAT_DOUBLE);
    mpv_observe_property(handle_, 0, "pause", MPV_FORMAT_FLAG);
    mpv_observe_property(handle_, 0, "eof-reached", MPV_FORMAT_FLAG);
    // Called on mpv's threads: the events are read on the UI thread.
    mpv_set_wakeup_callback(
        handle_,
        [](void* self) {
            QMetaObject::invokeMethod(static_cast<MpvPlayer*>(self), &MpvPlayer::drainEvents,
                                      Qt::QueuedConnection);
        },
        this);
}

MpvPlayer::~MpvPlayer() {
    if (handle_ != nullptr) {
        mpv_set_wakeup_callback(handle_, nullptr, nullptr);
        mpv_terminate_destroy(handle_);
    }
}

void MpvPlayer::setAudioOutputs(const std::string& audioOutputs) {
    if (handle_ != nullptr) {
        mpv_set_property_string(handle_, "ao", audioOutputs.c_str());
    }
}

bool MpvPlayer::load(const std::string& path, std::chrono::milliseconds limit) {
    unload();
    failure_.clear();
    if (handle_ == nullptr) {
        failure_ = "mpv could not be started";
        return false;
    }
    drainEvents(); // what the last file left behind
    loading_ = Loading{};
    const char* command[] = {"loadfile", path.c_str(), "replace", nullptr};
    if (const int result = mpv_command(handle_, command); result < 0) {
        failure_ = mpv_error_string(result);
        loading_.reset();
        return false;
    }

    const auto deadline = Clock::now() + limit;
    while (!loading_->failed && !(loading_->fileLoaded && loading_->pictureKnown)) {
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) {
            failure_ = "no picture within " + std::to_string(limit.count() / 1000) + " s";
            loading_->failed = true;
            break;
        }
        handleEvent(*mpv_wait_event(handle_, std::chrono::duration<double>(left).count()));
        if (loading_->fileLoaded && !loading_->pictureKnown && property("vid") == "no") {
            failure_ = "no video stream";
            loading_->failed = true;
        }
    }
    const bool failed = loading_->failed;
    const int64_t entry = loading_->entry;
    loading_.reset();
    if (failed) {
        const char* stop[] = {"stop", nullptr};
        mpv_command(handle_, stop);
        nativeSize_ = {};
        return false;
    }
    entry_ = entry;
    loaded_ = true;
    paused_ = true;
    mpv_get_property(handle_, "duration", MPV_FORMAT_DOUBLE, &duration_);
    return true;
}

void MpvPlayer::unload() {
    if (loaded_) {
        const char* stop[] = {"stop", nullptr};
        mpv_command(handle_, stop);
    }
    loaded_ = false;
    entry_ = -1;
    nativeSize_ = {};
    position_ = 0.0;
    duration_ = 0.0;
    paused_ = true;
    atEnd_ = false;
    holdPosition_ = false;
}

void MpvPlayer::setPaused(bool paused) {
    if (!loaded_) {
        return;
    }
    int flag = paused ? 1 : 0;
    mpv_set_property(handle_, "pause", MPV_FORMAT_FLAG, &flag);
    paused_ = paused;
}

void MpvPlayer::seek(double seconds) {
    if (!loaded_) {
        return;
    }
    const QByteArray target = QByteArray::number(std::max(seconds, 0.0), 'f', 3);
    const char* command[] = {"seek", target.constData(), "absolute+exact", nullptr};
    mpv_command(handle_, command);
    position_ = std::clamp(seconds, 0.0, std::max(duration_, 0.0));
    atEnd_ = false;
    holdPosition_ = true;
}

double MpvPlayer::position() const {
    return atEnd_ && duration_ > 0.0 ? duration_ : position_;
}

void MpvPlayer::setVolume(double percent) {
    if (handle_ != nullptr) {
        mpv_set_property(handle_, "volume", MPV_FORMAT_DOUBLE, &percent);
    }
}

void MpvPlayer::setAudioFilter(const std::string& filter) {
    if (handle_ != nullptr) {
        mpv_set_property_string(handle_, "af", filter.c_str());
    }
}

std::optional<QImage> MpvPlayer::currentFrame() {
    if (!loaded_) {
        return std::nullopt;
    }
    const char* command[] = {"screenshot-raw", "video", nullptr};
    mpv_node result{};
    if (mpv_command_ret(handle_, command, &result) < 0) {
        return std::nullopt;
    }
    std::optional<QImage> frame;
    if (result.format == MPV_FORMAT_NODE_MAP) {
        const int width = static_cast<int>(int64Of(result, "w"));
        const int height = static_cast<int>(int64Of(result, "h"));
        const int64_t stride = int64Of(result, "stride");
        const mpv_byte_array* data = bytesOf(result, "data");
        // "bgr0": blue, green, red and an unused byte, which is Qt's 32-bit RGB on this machine.
        if (width > 0 && height > 0 && data != nullptr &&
            static_cast<int64_t>(data->size) >= stride * height) {
            const QImage view(static_cast<const uchar*>(data->data), width, height,
                              static_cast<qsizetype>(stride), QImage::Format_RGB32);
            frame = view.copy();
        }
    }
    mpv_free_node_contents(&result);
    return frame;
}

std::string MpvPlayer::property(const char* name) const {
    if (handle_ == nullptr) {
        return {};
    }
    char* text = mpv_get_property_string(handle_, name);
    if (text == nullptr) {
        return {};
    }
    std::string value = text;
    mpv_free(text);
    return value;
}

void MpvPlayer::drainEvents() {
    while (handle_ != nullptr) {
        const mpv_event* event = mpv_wait_event(handle_, 0);
        if (event->event_id == MPV_EVENT_NONE) {
            break;
        }
        handleEvent(*event);
    }
}

void MpvPlayer::handleEvent(const mpv_event& event) {
    switch (event.event_id) {
    case MPV_EVENT_PROPERTY_CHANGE: {
        const auto* change = static_cast<const mpv_event_property*>(event.data);
        const std::string name = change->name;
        if (change->format == MPV_FORMAT_DOUBLE) {
            const double value = *static_cast<const double*>(change->data);
            if (name == "time-pos" && loaded_ && !(holdPosition_ && paused_)) {
                position_ = value;
                holdPosition_ = false;
            } else if (name == "duration" && loaded_) {
                duration_ = value;
            }
        } else if (change->format == MPV_FORMAT_FLAG) {
            const bool value = *static_cast<const int*>(change->data) != 0;
            if (name == "pause" && loaded_) {
                paused_ = value;
            } else if (name == "eof-reached") {
                atEnd_ = loaded_ && value;
            }
        }
        break;
    }
    case MPV_EVENT_START_FILE:
        if (loading_ && loading_->entry < 0) {
            loading_->entry =
                static_cast<const mpv_event_start_file*>(event.data)->playlist_entry_id;
        }
        break;
    case MPV_EVENT_FILE_LOADED:
        if (loading_) {
            loading_->fileLoaded = true;
        }
        break;
    case MPV_EVENT_VIDEO_RECONFIG: {
        int64_t width = 0;
        int64_t height = 0;
        mpv_get_property(handle_, "dwidth", MPV_FORMAT_INT64, &width);
        mpv_get_property(handle_, "dheight", MPV_FORMAT_INT64, &height);
        if (width > 0 && height > 0 && (loading_ || loaded_)) {
            nativeSize_ = QSize(static_cast<int>(width), static_cast<int>(height));
            if (loading_) {
                loading_->pictureKnown = true;
            }
        }
        break;
    }
    case MPV_EVENT_END_FILE: {
        const auto* end = static_cast<const mpv_event_end_file*>(event.data);
        const bool failedHere = end->reason == MPV_END_FILE_REASON_ERROR;
        if (loading_ && end->playlist_entry_id == loading_->entry) {
            failure_ = failedHere ? mpv_error_string(end->error) : "the file ended while loading";
            loading_->failed = true;
        } else if (loaded_ && end->playlist_entry_id == entry_) {
            // Ended on its own (a damaged stream): it is gone, as if released.
            failure_ = failedHere ? mpv_error_string(end->error) : "ended";
            loaded_ = false;
            atEnd_ = false;
        }
        break;
    }
    default:
        break;
    }
}

} // namespace sorvel
