// The main window: caption-less, shaped and painted by the skin, with the fifteen buttons, the
// three sliders, the title, time and file texts, the analyzer and the pop-up menu. It is the
// engine's MainWindowView and runs the playback tick on a timer. UI thread only.
#pragma once

#include "MainWindowLayout.h"
#include "Player.h"
#include "PlayerServices.h"
#include "PlayerState.h"
#include "SettingFile.h"
#include "SkinDescription.h"
#include "SkinPictures.h"
#include "TimerRest.h"

#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>

class QMenu;

namespace sorvel {

class AnalyzerBox;
class PlaylistFrm;
class SkinButton;
class SkinKnob;
class SkinText;
class TitleBox;
class UpdateCommands;
class clsOption;
class clsSnap;
class frmAbout;

// The short answer of menu items and buttons whose windows do not exist yet.
inline constexpr const char* kNotAvailableYet = "この機能はまだ使えません。";
// What is said, with the file's path, of a skin that cannot be used before the default skin
// takes its place: no skin file there, or one without the main window's size.
inline constexpr const char* kSkinMissingText = "スキンファイルが見つかりません。";
inline constexpr const char* kSkinInvalidText = "スキンファイルが不正です。";

class Mwnd final : public QWidget, public MainWindowView, public MainWindowPlacement {
    Q_OBJECT
public:
    Mwnd(PlayerState& state, SkinDescription& skin, SkinPictures& pictures, clsSnap& snap);
    ~Mwnd() override;

    void setPlayer(Player* player) { player_ = player; }
    void setOptions(clsOption* options) { options_ = options; }
    void setMessageBox(MessageBoxService* messageBox) { messageBox_ = messageBox; }
    void setPlaylistWindow(PlaylistFrm* window) { playlistWindow_ = window; }
    // Opens the options window at a page.
    void setOptionsOpener(std::function<void(int)> open) { openOptions_ = std::move(open); }
    // The update check and the help of the menu.
    void setUpdateCommands(UpdateCommands* commands) { updateCommands_ = commands; }
    // Opens the CD chooser.
    void setCdChooserOpener(std::function<void()> open) { openCdChooser_ = std::move(open); }
    // Starts the loudness scan of the playlist (or shows the one running).
    void setLoudnessScanOpener(std::function<void()> open) { openLoudnessScan_ = std::move(open); }
    // Runs the closing sequence's part outside the window (engine, tray, instance server) once,
    // when the window closes.
    void setClosing(std::function<void()> closing) { closing_ = std::move(closing); }

    // Applies the skin to this window: pictures, size, controls, colours, fonts and shape.
    // Throws PictureError for a picture that cannot be decoded; the rest is then left undone.
    void ApplySkin();
    // A new skin while running: both skinned windows hide, take it and show again (the
    // playlist window only if it was open). A skin that cannot be used is reported once and
    // the default skin takes its place, as at start-up.
    void ReapplySkin();
    // The playback tick's period from now on (a minimised window keeps its slow tick).
    void setTickPeriod(int milliseconds);

    // The engine's view of the window.
    WindowState windowState() const override;
    void PrepareWindows() override;
    void ShowAnalyzerPicture(bool visible) override;
    bool AnalyzerStep() override;
    void MoveSeekKnob(int32_t positionMs, uint32_t lengthMs) override;
    void DrawTimeAndTitle() override;
    void RefreshTrayTip() override;
    void ShowButtonNormal(int index) override;
    void ShowPlaylistWindow() override;
    void ShowOptionsWindow(int page) override;
    void ShowCdChooser() override;
    void Minimize() override;
    void Exit() override;
    void ProcessPendingEvents() override;

    // The settings file's view of the window's place.
    double LeftTwips() const override;
    double TopTwips() const override;
    void MoveTo(double leftTwips, double topTwips) override;

    // Moves the window onto a screen when too little of it shows there to grab it.
    void keepReachable();

    // What the options and the tray do to the window.
    void setOnTop(bool onTop);
    void clearAnalyzerArea();
    // Minimised into the tray: the window leaves the task bar.
    void hideToTray();
    bool inTray() const { return inTray_; }
    // Back into the task bar, still minimised.
    void leaveTray();
    // Back to the normal state at the place it had when it was minimised, in front.
    void restoreNormal();

    // The tick's period after a restore; 1000 ms while minimised.
    int tickInterval() const { return tick_.interval(); }
    bool ticking() const { return tick_.isActive(); }
    QMenu* menu() const { return menu_; }
    AnalyzerBox* analyzer() const { return analyzer_; }
    TitleBox* titleBox() const { return title_; }
    SkinText* timeBox() const { return time_; }
    SkinText* fileText() const { return fileText_; }
    SkinButton* button(int number) const;
    SkinKnob* volumeKnob() const { return volumeKnob_; }
    SkinKnob* trackKnob() const { return trackKnob_; }
    SkinKnob* panKnob() const { return panKnob_; }
    const QImage& background() const { return background_; }
    int32_t titleScroll() const { return titleScroll_; }
    // Saves a picture of the window (what a screenshot of it shows) as PNG; false on failure.
    bool saveGrab(const QString& path);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    void buildMenu();
    void tick();
    void restartTick(int milliseconds);
    void buttonPressed(int number);
    void buttonReleased(int number, bool inside);
    void showButton(int number, bool held);
    void volumeDrag(QPoint inKnob, bool release);
    void panDrag(QPoint inKnob, bool release);
    void trackDrag(QPoint inKnob, bool release);
    void centrePan();
    void updateSliderTips();
    void menuTransport(int command);
    void openUrl();
    void showAbout();
    void showNotAvailable();
    void applySkinReporting();
    // Applies the skin; the message (with the path) when it cannot be used, else empty.
    std::string applySkinOrTellWhy();
    void popupMenu(QPointF global);
    void titlePressed(Qt::MouseButton button, QPointF global);
    void titleMoved(QPointF global);
    void drawTitle();
    void drawTime();
    void drawFileText();
    void updateShape();
    void scheduleScreenshot();
    bool playing() const;
    int trackMaximum() const;

    PlayerState& state_;
    SkinDescription& skin_;
    SkinPictures& pictures_;
    clsSnap& snap_;
    Player* player_ = nullptr;
    clsOption* options_ = nullptr;
    MessageBoxService* messageBox_ = nullptr;
    PlaylistFrm* playlistWindow_ = nullptr;
    UpdateCommands* updateCommands_ = nullptr;
    std::function<void()> closing_;
    std::function<void(int)> openOptions_;
    std::function<void()> openCdChooser_;
    std::function<void()> openLoudnessScan_;

    MainWindowLayout layout_;
    QImage background_;
    std::array<SkinButton*, SkinDescription::buttonSlots> buttons_{};
    SkinKnob* volumeKnob_ = nullptr;
    SkinKnob* trackKnob_ = nullptr;
    SkinKnob* panKnob_ = nullptr;
    TitleBox* title_ = nullptr;
    SkinText* time_ = nullptr;
    SkinText* fileText_ = nullptr;
    AnalyzerBox* analyzer_ = nullptr;
    QMenu* menu_ = nullptr;
    QPointer<frmAbout> about_;
    QTimer tick_;
    TimerRest tickRest_{tick_};

    int32_t titleScroll_ = 0; // twips from the title box's left edge
    bool timePlaced_ = false; // the time box has its place for the skin and the text it shows
    int32_t timeSecond_ = 0;  // ... which is of this second
    std::string timeLength_;  // ... and this length text
    int seekButtonDown_ = -1; // the seek button held, until its hold loop has started
    bool backgroundDrag_ = false;
    bool titleDrag_ = false;
    QPoint titleGrab_;
    QPoint savedPosition_; // where the window was when it was minimised
    bool inTray_ = false;
    bool closed_ = false;
};

} // namespace sorvel
