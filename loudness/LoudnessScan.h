// The loudness scan: measures files with libebur128 (integrated loudness, sample peak) on a
// worker thread of its own, decoding them through FFmpeg, so that files without ReplayGain tags
// can be levelled. Files in one folder make an album: once its last file is measured, each
// file's result is handed out again with the album's gain and peak. Files that carry a track
// gain tag are left out (their tags are used); files FFmpeg cannot read are counted and skipped.
//
// Threads: the scan's methods are called from one thread (the UI thread); the worker only reads
// files and hands results over under a lock. Destroying the scan stops the worker between two
// decoded packets and waits for it.
#pragma once

#include "LoudnessCache.h"
#include "replay_gain.h"

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <vector>

namespace sorvel {

struct LoudnessMeasurement {
    double loudnessLufs = 0.0; // integrated, ITU-R BS.1770 / EBU R128
    double peak = 0.0;         // largest sample magnitude, linear
};

// Measures one file; nothing when it cannot be decoded, holds no sound, or the stop was
// requested. Mono stays one channel; more than two are folded down to stereo, as the player
// hears them.
std::optional<LoudnessMeasurement> measureLoudness(const std::filesystem::path& file,
                                                   std::stop_token stop = {});

struct LoudnessResult {
    std::filesystem::path file;
    FileStamp stamp;
    LoudnessValues values;
};

class LoudnessScan {
public:
    // Starts measuring `files` (in order; duplicates are measured once).
    explicit LoudnessScan(std::vector<std::filesystem::path> files);
    ~LoudnessScan();
    LoudnessScan(const LoudnessScan&) = delete;
    LoudnessScan& operator=(const LoudnessScan&) = delete;

    size_t total() const { return files_.size(); }
    // Files done so far (measured, skipped or failed).
    size_t done() const { return done_.load(std::memory_order_acquire); }
    bool finished() const { return finished_.load(std::memory_order_acquire); }
    // Asks the worker to stop; it does between two packets. finished() follows.
    void cancel() { worker_.request_stop(); }
    // Stops the worker and waits for it; what it measured before stays to be taken.
    void stop();
    bool cancelled() const { return worker_.get_stop_token().stop_requested(); }
    // The results since the last call, oldest first.
    std::vector<LoudnessResult> takeResults();

private:
    void run(std::stop_token stop);
    void publish(LoudnessResult result);

    std::vector<std::filesystem::path> files_;
    std::atomic<size_t> done_{0};
    std::atomic<bool> finished_{false};
    std::mutex lock_;
    std::vector<LoudnessResult> results_; // guarded by lock_
    std::jthread worker_;                 // last: it starts once everything else is there
};

} // namespace sorvel
