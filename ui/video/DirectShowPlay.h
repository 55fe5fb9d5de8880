// The video window "DirectShowPlayer": caption-less, sizable, off the task bar, showing one
// video at a time through mpv (picture through the render API, sound through mpv's own audio
// output). It is the engine's VideoService. Zoom from its pop-up menu, full screen on a double
// click, dragged by its picture, and a still of the current frame on the Print Screen key. The
// mpv player is made on first use and kept while the window lives. UI thread only.
#pragma once

#include "MpvPlayer.h"
#include "OutputDrivers.h"
#include "PlayerServices.h"
#include "VideoPicture.h"

#include <QPoint>
#include <QWidget>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

class QMenu;

namespace sorvel {

class DirectShowPlay final : public QWidget, public VideoService {
    Q_OBJECT
public:
    // How long a file may take until its picture is known before it counts as unplayable.
    static constexpr std::chrono::milliseconds kLoadLimit{5000};
    // The width of the sizing border inside the window's edge, in pixels.
    static constexpr int kSizingBorder = 4;

    // Stills are saved into `programFolder`; `mainWindow` is hidden in full screen.
    DirectShowPlay(std::filesystem::path programFolder, QWidget* mainWindow);
    ~DirectShowPlay() override;

    // Where the video's sound goes; taken by the next file.
    void setSoundOutput(VideoSoundOutput output);
    // False: mpv draws with its software renderer even where OpenGL works.
    void setOpenGl(bool openGl) { openGl_ = openGl; }
    // Asks for the still's name (title, prompt, initial text); nothing when cancelled. The
    // default is an input box.
    using NameQuestion =
        std::function<std::optional<QString>(const QString&, const QString&, const QString&)>;
    void setNameQuestion(NameQuestion ask) { askName_ = std::move(ask); }

    // The engine's view of the window.
    bool loaded() const override;
    bool Load(const std::string& path) override;
    std::string failure() const override { return failure_; }
    VideoSize NativeSize() const override;
    void Present() override;
    void Release() override;
    void Unload() override;
    bool running() const override;
    void Run() override;
    void Pause() override;
    void Stop() override;
    void Rewind() override;
    void SetPositionSeconds(double seconds) override;
    double PositionSeconds() const override;
    double DurationSeconds() const override;
    void SetVolume(int32_t hundredthsOfDecibel) override;
    void SetBalance(int32_t balance) override;
    bool stillRequested() const override { return stillRequested_; }
    void SaveVideoStill() override;

    // What the window's events do.
    void setFullScreen(bool on);
    bool fullScreen() const { return fullScreen_; }
    // Zoom item 0 to 3: 50, 100, 150 and 200 %.
    void zoom(int item);
    QMenu* menu() const { return menu_; }
    // The player and its picture once made (tests look at them).
    MpvPlayer* player() const { return player_.get(); }
    VideoPicture* picture() const { return picture_.get(); }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenu();
    bool preparePicture();
    void makePicture(bool openGl);
    void showWindow();
    void coverScreen();
    void placePicture();
    void showMainWindow(bool visible);

    std::filesystem::path programFolder_;
    QWidget* mainWindow_;
    // The picture is destroyed before the player: its renderer must be freed first.
    std::unique_ptr<MpvPlayer> player_;
    std::unique_ptr<VideoPicture> picture_;
    QMenu* menu_ = nullptr;
    NameQuestion askName_;
    std::string audioOutputs_;
    bool openGl_ = true;
    std::string failure_;

    bool placed_ = false;
    bool fullScreen_ = false;
    int32_t volume_ = 0;
    std::string balanceFilter_;
    bool stillRequested_ = false;
    // A left press in window mode, until the drag hands over to the window manager.
    std::optional<QPoint> pressedAt_;
};

} // namespace sorvel
