#include "Mwnd.h"

#include "AnalyzerBox.h"
#include "PictureError.h"
#include "PlaylistFrm.h"
#include "SkinButton.h"
#include "SkinKnob.h"
#include "SkinText.h"
#include "TitleBox.h"
#include "UpdateCommands.h"
#include "clsOption.h"
#include "clsSnap.h"
#include "dropped_paths.h"
#include "frmAbout.h"
#include "main_keys.h"
#include "now_playing_text.h"
#include "screen_placement.h"
#include "skin_file.h"
#include "skin_fonts.h"
#include "skin_layout.h"
#include "skin_shape.h"
#include "skinned_window.h"
#include "sorvel_version.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>
#include <algorithm>
#include <filesystem>

namespace sorvel {
namespace fs = std::filesystem;
namespace {

constexpr int kMinimisedTickMs = 1000;
constexpr int kStartTickMs = 80;
// A skin that gives the window no size still leaves something to right-click for the menu.
constexpr QSize kFallbackSize(200, 48);
// The bare face's colours: those of the program's icon.
constexpr QColor kBareFace(0x1b, 0x1f, 0x24);
constexpr QColor kBareText(0x35, 0xd0, 0xba);
// One pass of the seek-hold loop at most every so often: without a wait today's machines run
// hundreds of passes in a blink, and the growing step reaches the end of any track at once.
constexpr int kSeekPassMs = 10;

struct ButtonTip {
    int number;
    const char* text;
};

constexpr std::array<ButtonTip, 15> kButtonTips{{
    {0, "Back (前へ)"},
    {1, "SeekBack (巻き戻し)"},
    {2, "Play (再生)"},
    {3, "Pause (一時停止)"},
    {4, "Stop (停止)"},
    {5, "SeekForward (早送り)"},
    {6, "Next (次へ)"},
    {10, "Random (ランダム)"},
    {11, "Repeat&Loop (一曲リピート&全曲ループ)"},
    {12, "OpenFile (ファイルを開く)"},
    {13, "Playlist (プレイリスト画面を開く)"},
    {14, "Option (オプション画面を開く)"},
    {15, "Exit (終了)"},
    {16, "OpenCD (AudioCD検出)"},
    {17, "Minimize (最小化)"},
}};

bool isSeekButton(int number) {
    return number == kSeekBack || number == kSeekForward;
}

// The knob's place and the pointer along its slider.
int along(const SkinDescription::Slider& slider, QPoint point) {
    return slider.vertical() ? point.y() : point.x();
}

QString fileNameOf(const std::string& entry) {
    const size_t slash = entry.find_last_of("/\\");
    return QString::fromStdString(slash == std::string::npos ? entry : entry.substr(slash + 1));
}

} // namespace

Mwnd::Mwnd(PlayerState& state, SkinDescription& skin, SkinPictures& pictures, clsSnap& snap)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), state_(state), skin_(skin),
      pictures_(pictures), snap_(snap) {
    setObjectName(QStringLiteral("Mwnd"));
    setWindowTitle(QStringLiteral("Sorvel"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAcceptDrops(false);           // from the window half of start-up on
    setFocusPolicy(Qt::StrongFocus); // the keyboard acts on the player
    buildControls();
    buildMenu();
    tick_.setTimerType(Qt::PreciseTimer);
    connect(&tick_, &QTimer::timeout, this, &Mwnd::tick);
}

Mwnd::~Mwnd() = default;

void Mwnd::buildControls() {
    for (const int number : SkinDescription::buttonNumbers) {
        auto* button = new SkinButton(number, this);
        button->hide();
        connect(button, &SkinButton::pressed, this, &Mwnd::buttonPressed);
        connect(button, &SkinButton::released, this, &Mwnd::buttonReleased);
        buttons_[static_cast<size_t>(number)] = button;
    }
    for (const ButtonTip& tip : kButtonTips) {
        // The keys that do the same follow the name.
        const QString keys = buttonKeysText(tip.number);
        buttons_[static_cast<size_t>(tip.number)]->setToolTip(
            QString::fromUtf8(tip.text) + (keys.isEmpty() ? QString() : " [" + keys + "]"));
    }

    volumeKnob_ = new SkinKnob(this);
    volumeKnob_->setObjectName(QStringLiteral("Slider_Volume"));
    connect(volumeKnob_, &SkinKnob::dragMoved, this, [this](QPoint p) { volumeDrag(p, false); });
    connect(volumeKnob_, &SkinKnob::dragEnded, this, [this](QPoint p) { volumeDrag(p, true); });
    connect(volumeKnob_, &SkinKnob::dragStarted, this, [this] { updateSliderTips(); });

    trackKnob_ = new SkinKnob(this);
    trackKnob_->setObjectName(QStringLiteral("Slider_Track"));
    connect(trackKnob_, &SkinKnob::dragStarted, this, [this] {
        if (player_ != nullptr) {
            player_->seekDragStarted();
        }
    });
    connect(trackKnob_, &SkinKnob::dragMoved, this, [this](QPoint p) { trackDrag(p, false); });
    connect(trackKnob_, &SkinKnob::dragEnded, this, [this](QPoint p) { trackDrag(p, true); });

    panKnob_ = new SkinKnob(this);
    panKnob_->setObjectName(QStringLiteral("Slider_LR"));
    connect(panKnob_, &SkinKnob::dragMoved, this, [this](QPoint p) { panDrag(p, false); });
    connect(panKnob_, &SkinKnob::dragEnded, this, [this](QPoint p) { panDrag(p, true); });
    connect(panKnob_, &SkinKnob::dragStarted, this, [this] { updateSliderTips(); });
    connect(panKnob_, &SkinKnob::doubleClicked, this, &Mwnd::centrePan);

    title_ = new TitleBox(this);
    title_->setObjectName(QStringLiteral("Picture1"));
    title_->setToolTip(QStringLiteral("曲名 - アーティスト"));
    connect(title_, &TitleBox::mousePressed, this, &Mwnd::titlePressed);
    connect(title_, &TitleBox::mouseMoved, this, &Mwnd::titleMoved);
    connect(title_, &TitleBox::mouseReleased, this, [this] { titleDrag_ = false; });

    analyzer_ = new AnalyzerBox(this);
    analyzer_->setObjectName(QStringLiteral("Picture2"));
    analyzer_->setToolTip(QStringLiteral("Analyzer (クリックで切り替え可能)"));
    connect(analyzer_, &AnalyzerBox::rightPressed, this, &Mwnd::popupMenu);

    time_ = new SkinText(this);
    time_->setObjectName(QStringLiteral("Picture4"));
    time_->setToolTip(QStringLiteral("演奏時間"));

    fileText_ = new SkinText(this);
    fileText_->setObjectName(QStringLiteral("Picture5"));
    fileText_->hide();
}

void Mwnd::buildMenu() {
    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("MenuSt"));
    auto add = [this](const char* name, const char* caption, auto slot) {
        QAction* action = menu_->addAction(QString::fromUtf8(caption));
        action->setObjectName(QString::fromUtf8(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add("openthemenu", "Open (&O)", [this] {
        if (player_ != nullptr) {
            player_->OpenFileDialog();
        }
    });
    add("urlthemenu", "URL Open (&R)", [this] { openUrl(); });
    menu_->addSeparator();
    add("button0", "|>   Play (&P)", [this] { menuTransport(kPlay); });
    add("button1", "| |   Pause (&H)", [this] { menuTransport(kPause); });
    add("button2", "□  Stop (&S)", [this] { menuTransport(kStop); });
    add("button3", "|<   Back (&B)", [this] { menuTransport(kBack); });
    add("button4", ">|   Forward (&F)", [this] { menuTransport(kNext); });
    menu_->addSeparator();
    add("PlistEdtShow", "PlayListEditor (&L)", [this] { ShowPlaylistWindow(); });
    // Measures the playlist's files for loudness levelling.
    add("LoudnessScan", "ラウドネス解析 (&G)", [this] {
        if (openLoudnessScan_) {
            openLoudnessScan_();
        } else {
            showNotAvailable();
        }
    });
    add("SelectMen", "Option (&T)", [this] { ShowOptionsWindow(0); });
    add("SelectMenu1", "Effects (&E)", [this] { ShowOptionsWindow(1); });
    add("SelectMenu2", "Equalizer (&Q)", [this] { ShowOptionsWindow(2); });
    add("SelectMenu3", "Extentions (&D)", [this] { ShowOptionsWindow(3); });
    add("SelectMenu4", "SkinSelect (&A)", [this] { ShowOptionsWindow(4); });
    menu_->addSeparator();
    add("UpdateCheck", "AutoUpdateCheck (&U)", [this] {
        if (updateCommands_ != nullptr) {
            updateCommands_->UpdateCheck();
        }
    });
    add("AboutShow", "About (&C)", [this] { showAbout(); });
    add("helpFileOpen", "Help (&V)", [this] {
        if (updateCommands_ != nullptr) {
            updateCommands_->helpFileOpen();
        }
    });
    menu_->addSeparator();
    add("minimode", "Minimize (&X)", [this] { Minimize(); });
    add("closed", "Exit (&Z)", [this] { close(); });
}

SkinButton* Mwnd::button(int number) const {
    if (number < 0 || number >= SkinDescription::buttonSlots) {
        return nullptr;
    }
    return buttons_[static_cast<size_t>(number)];
}

bool Mwnd::playing() const {
    return player_ != nullptr && player_->isPlaying();
}

int Mwnd::trackMaximum() const {
    return state_.seekBarLengthMs > 0
               ? static_cast<int>(std::min<uint32_t>(state_.seekBarLengthMs, INT32_MAX))
               : skin_.trackSlider.barMax;
}

void Mwnd::ApplySkin() {
    pictures_.load(skin_);
    const SkinPlayerState player{state_.volumeLevel, state_.panPosition, state_.randomMode != 0,
                                 state_.loopMode,    playing(),          trackMaximum()};
    layout_ = mainWindowLayout(skin_, pictures_, player);
    if (player_ != nullptr) {
        player_->takeVolumeLevel(layout_.volumeLevel);
    }
    background_ = pictures_.mainBackground();

    QSize size = layout_.clientSize;
    if (size.width() <= 0 || size.height() <= 0) {
        size = kFallbackSize;
    }
    setFixedSize(size);

    for (const auto& placed : layout_.buttons) {
        SkinButton* button = buttons_[static_cast<size_t>(placed.number)];
        button->setPicture(mainButtonPicture(pictures_, placed.number, placed.state));
        button->move(placed.position);
        button->setVisible(placed.visible);
    }

    volumeKnob_->setPicture(pictures_.picture(SkinPictures::volumeKnobRow));
    volumeKnob_->move(layout_.volumeKnob);
    trackKnob_->setPicture(pictures_.picture(SkinPictures::trackKnobRow));
    trackKnob_->move(layout_.trackKnob);
    panKnob_->setPicture(pictures_.picture(SkinPictures::panKnobRow));
    panKnob_->move(layout_.panKnob);

    analyzer_->setGeometry(layout_.spectrumArea);
    analyzer_->setSkin(&background_, pictures_.picture(SkinPictures::spectrumRow),
                       toQColor(skin_.spectrumColor), toQColor(skin_.spectrumWaveColor));

    title_->setGeometry(layout_.textArea);
    title_->setSkin(&background_, toQColor(skin_.textAreaBackColor), skinTitleFont(skin_.titleFont),
                    toQColor(skin_.titleFontColor));

    time_->setSkin(&background_, toQColor(skin_.clearColor), skinFont(skin_.timeTxtFont),
                   toQColor(skin_.timeTxtColor));
    fileText_->setSkin(&background_, toQColor(skin_.clearColor), skinFont(skin_.fileTxtFont),
                       toQColor(skin_.fileTxtColor));
    fileText_->move(layout_.fileText);
    fileText_->setVisible(layout_.fileTextVisible);

    drawTitle();
    timePlaced_ = false; // placed anew in the skin's font
    drawTime();
    drawFileText();
    updateSliderTips();
    snap_.setMagnet(skin_.playListMain.magnetMode != 0,
                    QPoint(skin_.playListMain.mainX, skin_.playListMain.mainY));
    updateShape();
    update();
    if (playlistWindow_ != nullptr && playlistWindow_->isVisible()) {
        playlistWindow_->ApplySkin();
    }
}

void Mwnd::updateShape() {
    applyClearColourShape(*this, skin_.clearColor);
}

WindowState Mwnd::windowState() const {
    const Qt::WindowStates states = QWidget::windowState();
    if (inTray_ || (states & Qt::WindowMinimized)) {
        return WindowState::Minimized;
    }
    if (states & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        return WindowState::Maximized;
    }
    return WindowState::Normal;
}

std::string Mwnd::applySkinOrTellWhy() {
    std::error_code error;
    // An empty path: the description was given as it is, not read from a file.
    if (!state_.skinFilePath.empty() &&
        !fs::is_regular_file(fs::path(state_.skinFilePath), error)) {
        return std::string(kSkinMissingText) + "\r\n" + state_.skinFilePath;
    }
    if (skin_.mainWidth <= 0 || skin_.mainHeight <= 0) {
        return std::string(kSkinInvalidText) + "\r\n" + state_.skinFilePath;
    }
    try {
        ApplySkin();
    } catch (const PictureError& picture) {
        return std::string(PictureError::invalidPictureText) + "\r\n" + picture.path().string();
    }
    return {};
}

void Mwnd::applySkinReporting() {
    const std::string problem = applySkinOrTellWhy();
    if (problem.empty()) {
        return;
    }
    if (messageBox_ != nullptr) {
        messageBox_->show(problem, "Sorvel", MessageButtons::Ok, MessageIcon::Exclamation);
    }
    // A skin that cannot be used gives way to the shipped default skin (said once, above); the
    // settings then keep the skin that shows.
    const fs::path fallback = DefaultSkinFile(state_.programFolder, state_.shippedFolder);
    std::error_code error;
    if (!fs::equivalent(fallback, fs::path(state_.skinFilePath), error) &&
        fs::is_regular_file(fallback, error)) {
        state_.skinFilePath = fallback.string();
        ReadSkinDescription(fallback, {state_.programFolder, state_.shippedFolder}, skin_);
        if (applySkinOrTellWhy().empty()) {
            return;
        }
    }
    // No skin at all: the bare face, drawn by paintEvent, still has the menu and the keys.
    try {
        ApplySkin();
    } catch (const PictureError&) {
        background_ = QImage();
    }
    if (size().isEmpty() || size().width() < kFallbackSize.width()) {
        setFixedSize(kFallbackSize);
    }
    update();
}

void Mwnd::ReapplySkin() {
    const bool playlistOpen = playlistWindow_ != nullptr && playlistWindow_->isVisible();
    hide();
    if (playlistWindow_ != nullptr) {
        playlistWindow_->hide();
    }
    applySkinReporting();
    keepReachable();
    show();
    if (playlistOpen) {
        playlistWindow_->open();
    }
}

void Mwnd::setTickPeriod(int milliseconds) {
    if (!isMinimized() && !inTray_) {
        restartTick(milliseconds);
    }
}

void Mwnd::keepReachable() {
    const QPoint place = reachablePlace(QRect(pos(), size()), availableScreenAreas());
    if (place != pos()) {
        snap_.placeByProgram(*this, place);
        savedPosition_ = place;
    }
}

void Mwnd::PrepareWindows() {
    hide();
    applySkinReporting();
    // The stored place is checked once the skin has given the window its size.
    keepReachable();
    show();
    setAcceptDrops(true);
    restartTick(kStartTickMs);
    scheduleScreenshot();
}

void Mwnd::scheduleScreenshot() {
    const QString path = qEnvironmentVariable("SORVEL_SCREENSHOT");
    if (path.isEmpty()) {
        return;
    }
    bool ok = false;
    int delay = qEnvironmentVariableIntValue("SORVEL_SCREENSHOT_DELAY_MS", &ok);
    if (!ok || delay < 0) {
        delay = 1500;
    }
    QTimer::singleShot(delay, this, [this, path] { saveGrab(path); });
}

bool Mwnd::saveGrab(const QString& path) {
    return grab().save(path, "PNG");
}

void Mwnd::restartTick(int milliseconds) {
    // A period of 0 from a damaged settings file would run the tick without pause.
    tickRest_.cancel();
    tick_.start(std::max(10, milliseconds));
}

void Mwnd::tick() {
    if (player_ == nullptr || closed_) {
        return;
    }
    try {
        player_->PlaybackTick();
        // Whatever this tick drew wakes the timer again through its paint request, so the
        // rest begins only after a tick that changed nothing on the screen.
        if (player_->TickCanRest()) {
            tickRest_.rest();
        }
    } catch (...) {
        // An error ends this tick only; the next one starts afresh.
    }
}

void Mwnd::ShowAnalyzerPicture(bool visible) {
    analyzer_->setVisible(visible);
}

bool Mwnd::AnalyzerStep() {
    analyzer_->clearToBackground();
    if (options_ != nullptr && options_->Analyzer_Off() != 0) {
        return false; // the box keeps its last picture
    }
    if (player_ != nullptr) {
        analyzer_->drawFrom(*player_);
    }
    analyzer_->refresh();
    return true;
}

void Mwnd::MoveSeekKnob(int32_t positionMs, uint32_t lengthMs) {
    trackKnob_->move(trackKnobPosition(skin_.trackSlider, positionMs, lengthMs));
}

void Mwnd::DrawTimeAndTitle() {
    drawTitle();
    drawTime();
    drawFileText();
}

void Mwnd::drawTitle() {
    const QString text = QString::fromStdString(state_.titleText);
    if (options_ != nullptr && options_->ScrollOff() != 0) {
        title_->showText(text, QPoint(skin_.titleAreaX, skin_.titleAreaY));
        return;
    }
    titleScroll_ = nextTitleScroll(titleScroll_, title_->textWidth(text) * kTwipsPerPixel,
                                   title_->width() * kTwipsPerPixel);
    title_->showText(text,
                     QPoint(nearestInt(double(titleScroll_) / kTwipsPerPixel), skin_.titleAreaY));
}

void Mwnd::drawTime() {
    const int32_t elapsed = state_.seekDragging ? state_.seekDragTargetMs : state_.positionMs;
    const int32_t second = elapsed > 0 ? elapsed / 1000 : 0;
    if (timePlaced_ && second == timeSecond_ && state_.lengthText == timeLength_) {
        return; // the same second: nothing to draw
    }
    timeSecond_ = second;
    timeLength_ = state_.lengthText;
    const QString text = QString::fromStdString(timeBoxText(elapsed, state_.lengthText));
    const QSize size = time_->textSize(text);
    const int reference = time_->textSize(QString::fromLatin1(kTimeBoxReference)).width();
    time_->setGeometry(timeBoxLeft(skin_.timeTxtAreaX, size.width(), reference), skin_.timeTxtAreaY,
                       size.width(), size.height());
    time_->showText(text);
    timePlaced_ = true;
}

void Mwnd::drawFileText() {
    if (!fileText_->isVisibleTo(this)) {
        return;
    }
    const int32_t index = state_.currentIndex;
    QString text;
    if (index >= 0 && static_cast<size_t>(index) < state_.playlistEntries.size()) {
        text = fileNameOf(state_.playlistEntries[static_cast<size_t>(index)].path);
    }
    fileText_->resize(fileText_->textSize(text));
    fileText_->showText(text);
}

void Mwnd::RefreshTrayTip() {
    if (options_ != nullptr) {
        options_->TitleChanged();
    }
}

void Mwnd::showButton(int number, bool held) {
    SkinButton* target = button(number);
    if (target == nullptr) {
        return;
    }
    const int pictureState = mainButtonState(number, state_.randomMode != 0, state_.loopMode, held);
    target->setPicture(mainButtonPicture(pictures_, number, pictureState));
}

void Mwnd::ShowButtonNormal(int index) {
    showButton(index, false);
}

void Mwnd::showNotAvailable() {
    if (messageBox_ != nullptr) {
        messageBox_->show(kNotAvailableYet, "Sorvel", MessageButtons::Ok, MessageIcon::Information);
    }
}

void Mwnd::ShowPlaylistWindow() {
    if (playlistWindow_ == nullptr) {
        showNotAvailable();
        return;
    }
    playlistWindow_->open();
}

void Mwnd::ShowOptionsWindow(int page) {
    if (!openOptions_) {
        showNotAvailable();
        return;
    }
    openOptions_(page);
}

void Mwnd::ShowCdChooser() {
    if (!openCdChooser_) {
        showNotAvailable();
        return;
    }
    openCdChooser_();
}

void Mwnd::Minimize() {
    savedPosition_ = pos();
    showMinimized();
}

void Mwnd::Exit() {
    close();
}

void Mwnd::ProcessPendingEvents() {
    QEventLoop pass;
    QTimer::singleShot(kSeekPassMs, &pass, &QEventLoop::quit);
    pass.exec();
}

double Mwnd::LeftTwips() const {
    const QPoint at = inTray_ || isMinimized() ? savedPosition_ : pos();
    return double(at.x()) * kTwipsPerPixel;
}

double Mwnd::TopTwips() const {
    const QPoint at = inTray_ || isMinimized() ? savedPosition_ : pos();
    return double(at.y()) * kTwipsPerPixel;
}

void Mwnd::MoveTo(double leftTwips, double topTwips) {
    // Restored as stored; PrepareWindows keeps it reachable once the skin has sized the window.
    snap_.placeByProgram(*this, QPoint(nearestInt(leftTwips / kTwipsPerPixel),
                                       nearestInt(topTwips / kTwipsPerPixel)));
    savedPosition_ = pos();
}

void Mwnd::setOnTop(bool onTop) {
    setStaysOnTop(*this, onTop, snap_);
}

void Mwnd::clearAnalyzerArea() {
    analyzer_->clearToBackground();
    analyzer_->refresh();
}

void Mwnd::hideToTray() {
    inTray_ = true;
    // Minimising shows the window again after its state change is handled: hide it after that.
    QTimer::singleShot(0, this, [this] {
        if (inTray_) {
            hide();
        }
    });
}

void Mwnd::leaveTray() {
    if (inTray_) {
        inTray_ = false;
        showMinimized();
    }
}

void Mwnd::restoreNormal() {
    const bool wasAway = inTray_ || isMinimized();
    inTray_ = false;
    if (wasAway) {
        snap_.placeByProgram(*this, savedPosition_);
    }
    showNormal();
    raise();
    activateWindow();
}

void Mwnd::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        // A click on any control that brings the player forward brings the playlist with it.
        snap_.RaisePlaylist();
        return;
    }
    if (event->type() != QEvent::WindowStateChange || closed_) {
        return;
    }
    if (isMinimized()) {
        savedPosition_ = pos();
        restartTick(kMinimisedTickMs);
        if (options_ != nullptr) {
            options_->MainWindowMinimized();
        }
        snap_.hidePlaylist();
    } else {
        inTray_ = false;
        restartTick(state_.refreshIntervalMs);
        snap_.showPlaylistAgain();
        if (options_ != nullptr) {
            options_->MainWindowRestored();
        }
    }
}

void Mwnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (background_.isNull()) {
        // Without a skin picture the window says what it is rather than stay a black hole.
        painter.fillRect(rect(), kBareFace);
        painter.setPen(kBareText);
        painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("Sorvel\n右クリックでメニュー"));
        return;
    }
    painter.fillRect(rect(), toQColor(skin_.clearColor));
    painter.drawImage(0, 0, background_);
}

void Mwnd::popupMenu(QPointF global) {
    menu_->popup(global.toPoint());
}

void Mwnd::mousePressEvent(QMouseEvent* event) {
    snap_.RaisePlaylist();
    if (event->button() == Qt::RightButton) {
        popupMenu(event->globalPosition());
        return;
    }
    snap_.ButtonDown(*this, event->position().toPoint());
    backgroundDrag_ = event->button() == Qt::LeftButton;
}

void Mwnd::mouseMoveEvent(QMouseEvent* event) {
    if (backgroundDrag_ && (event->buttons() & Qt::LeftButton)) {
        snap_.DragMain(*this, event->globalPosition().toPoint());
    }
}

void Mwnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        backgroundDrag_ = false;
    }
}

void Mwnd::titlePressed(Qt::MouseButton button, QPointF global) {
    snap_.RaisePlaylist();
    if (button == Qt::RightButton) {
        popupMenu(global);
        return;
    }
    if (button != Qt::LeftButton) {
        return;
    }
    // The window manager moves the window as if its caption were dragged (no snapping here);
    // without one that can, the window follows the mouse itself.
    snap_.userMoveStarts();
    snap_.setDragState(clsSnap::DragState::Main);
    const bool byWindowManager = windowHandle() != nullptr && windowHandle()->startSystemMove();
    snap_.setDragState(clsSnap::DragState::None);
    titleDrag_ = !byWindowManager;
    titleGrab_ = global.toPoint() - pos();
}

void Mwnd::titleMoved(QPointF global) {
    if (titleDrag_) {
        snap_.setDragState(clsSnap::DragState::Main);
        move(global.toPoint() - titleGrab_);
        snap_.setDragState(clsSnap::DragState::None);
        snap_.RaisePlaylist();
    }
}

void Mwnd::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    snap_.WindowMoved(*this);
}

void Mwnd::buttonPressed(int number) {
    showButton(number, true);
    if (isSeekButton(number)) {
        // The hold loop runs from the event loop, not inside this mouse event.
        seekButtonDown_ = number;
        QTimer::singleShot(0, this, [this, number] {
            if (seekButtonDown_ == number && player_ != nullptr && !closed_) {
                seekButtonDown_ = -1;
                player_->SeekButtonDown(number);
            }
        });
        return;
    }
    if (player_ != nullptr) {
        player_->buttonDown();
    }
}

void Mwnd::buttonReleased(int number, bool inside) {
    if (isSeekButton(number)) {
        seekButtonDown_ = -1;
        if (player_ != nullptr) {
            player_->SeekButtonUp();
        }
        showButton(number, false);
        return;
    }
    if (player_ != nullptr) {
        player_->ButtonUp(number, inside);
    }
    // Random and loop show their new state once the command has run.
    showButton(number, false);
}

void Mwnd::volumeDrag(QPoint inKnob, bool release) {
    const auto& slider = skin_.volumeSlider;
    const KnobMove move =
        dragVolumeKnob(slider, along(slider, volumeKnob_->pos()), along(slider, inKnob),
                       along(slider, volumeKnob_->grabPoint()), state_.volumeLevel, release);
    if (move.moved) {
        volumeKnob_->move(slider.vertical() ? QPoint(volumeKnob_->x(), move.knob)
                                            : QPoint(move.knob, volumeKnob_->y()));
        if (player_ != nullptr) {
            player_->SetVolumeLevel(move.value);
        }
    } else if (release && player_ != nullptr) {
        player_->SetVolumeLevel(state_.volumeLevel);
    }
    updateSliderTips();
}

void Mwnd::panDrag(QPoint inKnob, bool release) {
    const auto& slider = skin_.panSlider;
    const KnobMove move =
        dragPanKnob(slider, along(slider, panKnob_->pos()), along(slider, inKnob),
                    along(slider, panKnob_->grabPoint()), state_.panPosition, release);
    if (move.moved) {
        panKnob_->move(slider.vertical() ? QPoint(panKnob_->x(), move.knob)
                                         : QPoint(move.knob, panKnob_->y()));
        if (player_ != nullptr) {
            player_->SetPanPosition(move.value);
        }
    }
    updateSliderTips();
}

void Mwnd::centrePan() {
    if (player_ != nullptr) {
        player_->SetPanPosition(0);
    }
    panKnob_->move(panKnobPosition(skin_.panSlider, 0));
    updateSliderTips();
}

void Mwnd::trackDrag(QPoint inKnob, bool release) {
    const auto& slider = skin_.trackSlider;
    const KnobMove move =
        dragTrackKnob(slider, along(slider, trackKnob_->pos()), along(slider, inKnob),
                      along(slider, trackKnob_->grabPoint()), trackMaximum());
    if (move.moved) {
        trackKnob_->move(slider.vertical() ? QPoint(trackKnob_->x(), move.knob)
                                           : QPoint(move.knob, trackKnob_->y()));
    }
    if (player_ != nullptr) {
        if (release) {
            player_->SeekBarReleased(move.value);
        } else {
            player_->seekDragMoved(move.value);
        }
    }
    drawTime();
}

void Mwnd::updateSliderTips() {
    volumeKnob_->setToolTip(QString::fromStdString(volumeToolTip(state_.volumeLevel)));
    panKnob_->setToolTip(QString::number(state_.panPosition));
}

void Mwnd::keyPressEvent(QKeyEvent* event) {
    const std::optional<KeyCommand> command = mainWindowKey(event->key(), event->modifiers());
    if (!command || player_ == nullptr || closed_) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    switch (command->kind) {
    case KeyCommand::Kind::Button:
        // A held key repeats only what can be repeated.
        if (!event->isAutoRepeat()) {
            menuTransport(command->value);
        }
        break;
    case KeyCommand::Kind::Seek:
        player_->seekBy(command->value);
        MoveSeekKnob(state_.positionMs, state_.seekBarLengthMs);
        drawTime();
        break;
    case KeyCommand::Kind::Volume:
        player_->SetVolumeLevel(state_.volumeLevel + command->value);
        volumeKnob_->move(volumeKnobPosition(skin_.volumeSlider, state_.volumeLevel));
        updateSliderTips();
        break;
    }
}

void Mwnd::menuTransport(int command) {
    if (player_ == nullptr) {
        return;
    }
    player_->menuCommand(command);
    showButton(kRandom, false);
    showButton(kRepeatLoop, false);
}

void Mwnd::openUrl() {
    bool ok = false;
    const QString answer = QInputDialog::getText(this, QStringLiteral("URL Input"),
                                                 QStringLiteral("URLを入力してください。"),
                                                 QLineEdit::Normal, QStringLiteral("http://"), &ok);
    if (ok && !answer.isEmpty() && player_ != nullptr) {
        player_->OpenMedia(answer.toStdString());
    }
}

void Mwnd::showAbout() {
    if (about_ == nullptr) {
        about_ = new frmAbout(QStringLiteral("Sorvel"), QString::fromLatin1(kSorvelVersion), this);
        about_->setAttribute(Qt::WA_DeleteOnClose);
    }
    about_->show();
    about_->raise();
    about_->activateWindow();
}

void Mwnd::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void Mwnd::dropEvent(QDropEvent* event) {
    const std::vector<std::string> items = droppedPaths(*event->mimeData());
    event->acceptProposedAction();
    if (items.empty() || player_ == nullptr) {
        return;
    }
    player_->playlist().dropOnMainWindow(items);
}

void Mwnd::closeEvent(QCloseEvent* event) {
    if (!closed_) {
        closed_ = true;
        // A seek button held down keeps a loop running; it ends with the button.
        if (player_ != nullptr) {
            player_->releaseHeldButton();
        }
        seekButtonDown_ = -1;
        tickRest_.cancel();
        tick_.stop();
        if (closing_) {
            closing_();
        }
        if (about_ != nullptr) {
            about_->close();
        }
        menu_->close();
    }
    event->accept();
}

} // namespace sorvel
