// The loudness scan from the menu: measures the playlist's files on the scan's worker thread
// while a small window shows how far it got and offers to stop it. What is measured goes to the
// player (and its cache file) as it comes in, so the playing entry takes it up at once. The
// window never blocks the player; closing the player stops the scan. UI thread only.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>

class QProgressDialog;
class QWidget;

namespace sorvel {

class LoudnessScan;
class MessageBoxService;
class Player;

inline constexpr const char* kLoudnessScanTitle = "ラウドネス解析";
inline constexpr const char* kNothingToScanText = "プレイリストに解析できるファイルがありません。";

class LoudnessScanDialog final : public QObject {
    Q_OBJECT
public:
    LoudnessScanDialog(Player& player, MessageBoxService& messageBox, QWidget* owner);
    ~LoudnessScanDialog() override;

    // Starts a scan of the playlist, or brings the running one's window forward.
    void open();
    // Stops a running scan, keeping what it measured so far (the player closes).
    void stop();
    bool running() const { return scan_ != nullptr; }
    QProgressDialog* window() const;

private:
    void poll();
    void showProgress();
    void finish();

    Player& player_;
    MessageBoxService& messageBox_;
    QWidget* owner_;
    std::unique_ptr<LoudnessScan> scan_;
    QPointer<QProgressDialog> window_;
    QTimer poll_;
};

} // namespace sorvel
