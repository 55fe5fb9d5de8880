#include "DirectShowPlay.h"

#include "video_geometry.h"
#include "video_sound.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QThread>
#include <QWindow>

namespace sorvel {
namespace {

// Until a video gives the window its size.
constexpr QSize kFirstSize(320, 240);
// How long a freshly shown OpenGL picture may take to get its context.
constexpr int kOpenGlWaitMs = 2000;

std::optional<QString> askWithInputBox(QWidget* owner, const QString& title, const QString& prompt,
                                       const QString& initial) {
    bool ok = false;
    const QString answer =
        QInputDialog::getText(owner, title, prompt, QLineEdit::Normal, initial, &ok);
    if (!ok) {
        return std::nullopt;
    }
    return answer;
}

} // namespace

DirectShowPlay::DirectShowPlay(std::filesystem::path programFolder, QWidget* mainWindow)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint),
      programFolder_(std::move(programFolder)), mainWindow_(mainWindow),
      audioOutputs_(mpvAudioOutputs(VideoSoundOutput::Automatic)) {
    setObjectName(QStringLiteral("DirectShowPlay"));
    setWindowTitle(QStringLiteral("DirectShowPlayer"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    setMouseTracking(false);
    resize(kFirstSize);
    buildMenu();
    askName_ = [this](const QString& title, const QString& prompt, const QString& initial) {
        return askWithInputBox(this, title, prompt, initial);
    };
    // The Print Screen key counts wherever the player has the keyboard.
    qApp->installEventFilter(this);
}

DirectShowPlay::~DirectShowPlay() {
    qApp->removeEventFilter(this);
    if (player_ != nullptr) {
        player_->unload();
    }
    picture_.reset();
    player_.reset();
}

void DirectShowPlay::buildMenu() {
    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("DSMenu"));
    for (int item = 0; item < static_cast<int>(kZoomFactors.size()); ++item) {
        QAction* action =
            menu_->addAction(QStringLiteral("zoom %1%").arg(kZoomFactors[item] * 100.0));
        action->setObjectName(QStringLiteral("zoom%1").arg(item));
        connect(action, &QAction::triggered, this, [this, item] { zoom(item); });
    }
    menu_->addSeparator();
    QAction* close = menu_->addAction(QStringLiteral("Close MovieViewer"));
    close->setObjectName(QStringLiteral("close_me"));
    connect(close, &QAction::triggered, this, &QWidget::close);
}

void DirectShowPlay::setSoundOutput(VideoSoundOutput output) {
    audioOutputs_ = mpvAudioOutputs(output);
    if (player_ != nullptr) {
        player_->setAudioOutputs(audioOutputs_);
    }
}

// The player on first use, and a picture mpv can draw on before any file is loaded. OpenGL is
// ready only once its widget has been shown; if mpv refuses its context, the software picture
// takes over.
bool DirectShowPlay::preparePicture() {
    if (player_ == nullptr) {
        player_ = std::make_unique<MpvPlayer>(audioOutputs_);
        player_->setVolume(mpvVolume(volume_));
        player_->setAudioFilter(balanceFilter_);
    }
    if (!player_->valid()) {
        return false;
    }
    if (picture_ == nullptr) {
        makePicture(openGl_);
    }
    if (!picture_->ready() && !picture_->failed()) {
        showWindow();
        // Showing gives the OpenGL widget its context at once on X; elsewhere it may take the
        // first paint. Only this window's own events run meanwhile: no tick comes in between.
        QElapsedTimer waited;
        waited.start();
        while (!picture_->ready() && !picture_->failed() && waited.elapsed() < kOpenGlWaitMs) {
            QCoreApplication::sendPostedEvents(this);
            QCoreApplication::sendPostedEvents(picture_->widget());
            repaint();
            QThread::msleep(10);
        }
    }
    if (!picture_->ready()) {
        makePicture(false);
    }
    return picture_->ready();
}

void DirectShowPlay::makePicture(bool openGl) {
    picture_.reset();
    picture_ = makeVideoPicture(*player_, this, openGl);
    // The window takes the mouse: drags, clicks and the menu are its own.
    picture_->widget()->setAttribute(Qt::WA_TransparentForMouseEvents);
    picture_->widget()->show();
    placePicture();
}

void DirectShowPlay::showWindow() {
    if (!placed_ && mainWindow_ != nullptr) {
        // The first time on the main window's screen, in the middle.
        placed_ = true;
        move(mainWindow_->screen()->availableGeometry().center() - rect().center());
    }
    show();
}

bool DirectShowPlay::loaded() const {
    return player_ != nullptr && player_->loaded();
}

bool DirectShowPlay::Load(const std::string& path) {
    failure_.clear();
    const bool wasVisible = isVisible();
    if (!preparePicture()) {
        failure_ = "mpv could not be started";
    } else if (!player_->load(path, kLoadLimit)) {
        failure_ = player_->failure();
    }
    if (!failure_.empty() && !wasVisible) {
        hide();
    }
    return failure_.empty();
}

VideoSize DirectShowPlay::NativeSize() const {
    const QSize size = player_ != nullptr ? player_->nativeSize() : QSize();
    return {size.width(), size.height()};
}

void DirectShowPlay::Present() {
    if (fullScreen_) {
        showMainWindow(false);
        coverScreen();
    } else {
        const QSize native = player_ != nullptr ? player_->nativeSize() : QSize();
        resize(native.isEmpty() ? kFirstSize : native);
        showWindow();
    }
    placePicture();
    raise();
}

void DirectShowPlay::Release() {
    if (player_ != nullptr) {
        player_->unload();
    }
}

void DirectShowPlay::Unload() {
    if (!isVisible() && !loaded()) {
        return;
    }
    unsetCursor();
    if (loaded()) {
        Rewind();
        Stop();
    }
    Release();
    if (fullScreen_) {
        fullScreen_ = false;
        showNormal();
    }
    showMainWindow(true);
    hide();
}

bool DirectShowPlay::running() const {
    return loaded() && !player_->paused();
}

void DirectShowPlay::Run() {
    if (loaded()) {
        player_->setPaused(false);
    }
}

void DirectShowPlay::Pause() {
    if (loaded()) {
        player_->setPaused(true);
    }
}

void DirectShowPlay::Stop() {
    Pause();
}

void DirectShowPlay::Rewind() {
    SetPositionSeconds(0.0);
}

void DirectShowPlay::SetPositionSeconds(double seconds) {
    if (loaded()) {
        player_->seek(seconds);
    }
}

double DirectShowPlay::PositionSeconds() const {
    return loaded() ? player_->position() : 0.0;
}

double DirectShowPlay::DurationSeconds() const {
    return loaded() ? player_->duration() : 0.0;
}

void DirectShowPlay::SetVolume(int32_t hundredthsOfDecibel) {
    volume_ = hundredthsOfDecibel;
    if (player_ != nullptr) {
        player_->setVolume(mpvVolume(volume_));
    }
}

void DirectShowPlay::SetBalance(int32_t balance) {
    const std::string filter = mpvBalanceFilter(balance);
    if (filter == balanceFilter_) {
        return; // a new filter chain interrupts the sound for a moment
    }
    balanceFilter_ = filter;
    if (player_ != nullptr) {
        player_->setAudioFilter(balanceFilter_);
    }
}

void DirectShowPlay::SaveVideoStill() {
    stillRequested_ = false;
    if (!loaded()) {
        return;
    }
    // The frame of the moment the key went down, whatever plays while the box is open.
    const std::optional<QImage> frame = player_->currentFrame();
    const std::optional<QString> name =
        askName_(QStringLiteral("JPG出力"),
                 QStringLiteral("ファイルは自動的にﾌﾟﾚｲﾔｰのフォルダへ出力されます。\n"
                                "保存名を入力してください。(拡張子不要）"),
                 QStringLiteral("Temp"));
    if (!name || name->isEmpty() || !frame) {
        return;
    }
    const std::filesystem::path file = programFolder_ / (name->toStdString() + ".bmp");
    frame->save(QString::fromStdString(file.string()), "BMP");
    Run();
}

void DirectShowPlay::setFullScreen(bool on) {
    if (on == fullScreen_) {
        return;
    }
    fullScreen_ = on;
    pressedAt_.reset();
    if (on) {
        coverScreen();
        showMainWindow(false);
    } else {
        // Back to the native size, whatever zoom was chosen before.
        showNormal();
        const QSize native = player_ != nullptr ? player_->nativeSize() : QSize();
        resize(native.isEmpty() ? kFirstSize : native);
        showMainWindow(true);
        unsetCursor();
    }
    placePicture();
}

void DirectShowPlay::zoom(int item) {
    setFullScreen(false);
    const QSize native = player_ != nullptr ? player_->nativeSize() : QSize();
    if (!native.isEmpty()) {
        resize(zoomedClientSize(native, item));
    }
}

void DirectShowPlay::coverScreen() {
    // Without a window manager nobody makes the window full screen: it takes the screen itself.
    const QRect screenArea = screen()->geometry();
    showFullScreen();
    setGeometry(screenArea);
}

void DirectShowPlay::placePicture() {
    if (picture_ == nullptr) {
        return;
    }
    const QSize native = player_ != nullptr ? player_->nativeSize() : QSize();
    picture_->widget()->setGeometry(fullScreen_ ? fullScreenPicture(native, size()) : rect());
}

void DirectShowPlay::showMainWindow(bool visible) {
    // A main window minimised (or in the tray) stays as it is.
    if (mainWindow_ != nullptr && !mainWindow_->isMinimized()) {
        mainWindow_->setVisible(visible);
    }
    if (visible) {
        unsetCursor();
    } else if (fullScreen_) {
        setCursor(Qt::BlankCursor);
    }
}

void DirectShowPlay::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        showMainWindow(true);
        menu_->popup(event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (fullScreen_) {
        showMainWindow(mainWindow_ != nullptr && !mainWindow_->isVisible());
        return;
    }
    showMainWindow(true);
    const Qt::Edges edges = sizingEdgesAt(event->position().toPoint(), size(), kSizingBorder);
    if (edges && windowHandle() != nullptr && windowHandle()->startSystemResize(edges)) {
        return;
    }
    pressedAt_ = event->position().toPoint();
}

void DirectShowPlay::mouseMoveEvent(QMouseEvent* event) {
    if (!pressedAt_ || !(event->buttons() & Qt::LeftButton)) {
        return;
    }
    const QPoint moved = event->position().toPoint() - *pressedAt_;
    if (moved.manhattanLength() < QApplication::startDragDistance()) {
        return;
    }
    // The window manager drags it, as a caption would; where it cannot, the window follows.
    if (windowHandle() != nullptr && windowHandle()->startSystemMove()) {
        pressedAt_.reset();
        return;
    }
    move(pos() + moved);
}

void DirectShowPlay::mouseReleaseEvent(QMouseEvent*) {
    pressedAt_.reset();
}

void DirectShowPlay::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        setFullScreen(!fullScreen_);
    }
}

void DirectShowPlay::resizeEvent(QResizeEvent*) {
    if (!isMinimized()) {
        placePicture();
    }
}

void DirectShowPlay::closeEvent(QCloseEvent* event) {
    Unload();
    event->accept();
}

bool DirectShowPlay::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Print && !key->isAutoRepeat() && running()) {
            stillRequested_ = true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace sorvel
