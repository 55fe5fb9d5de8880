#include "VideoPicture.h"

#include "MpvPlayer.h"

#include <QImage>
#include <QMetaObject>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QPainter>
#include <mpv/client.h>
#include <mpv/render.h>
#include <mpv/render_gl.h>

namespace sorvel {
namespace {

// mpv calls this on its own threads when a frame is due: the widget draws on the UI thread.
template <class Picture> void askForFrame(void* picture) {
    QMetaObject::invokeMethod(static_cast<Picture*>(picture), &Picture::frameDue,
                              Qt::QueuedConnection);
}

void* procAddress(void*, const char* name) {
    QOpenGLContext* context = QOpenGLContext::currentContext();
    return context != nullptr ? reinterpret_cast<void*>(context->getProcAddress(name)) : nullptr;
}

class GlVideoPicture final : public QOpenGLWidget, public VideoPicture {
public:
    GlVideoPicture(MpvPlayer& player, QWidget* parent) : QOpenGLWidget(parent), player_(player) {
        setObjectName(QStringLiteral("VideoPicture"));
    }
    ~GlVideoPicture() override {
        makeCurrent();
        freeRenderer();
        doneCurrent();
    }

    QWidget* widget() override { return this; }
    QString kind() const override { return QStringLiteral("OpenGL"); }

    void frameDue() {
        if (newFrameDue()) {
            update();
        }
    }

protected:
    void initializeGL() override {
        if (render_ != nullptr || player_.handle() == nullptr) {
            return;
        }
        mpv_opengl_init_params init{&procAddress, nullptr};
        mpv_render_param params[] = {
            {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
            {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &init},
            {MPV_RENDER_PARAM_INVALID, nullptr},
        };
        if (mpv_render_context_create(&render_, player_.handle(), params) < 0) {
            render_ = nullptr;
            failed_ = true;
            return;
        }
        mpv_render_context_set_update_callback(render_, &askForFrame<GlVideoPicture>, this);
        // A new top-level context (the widget moved to another window) takes a new renderer.
        connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] {
            makeCurrent();
            freeRenderer();
            doneCurrent();
        });
    }

    void paintGL() override {
        if (render_ == nullptr) {
            return;
        }
        const qreal ratio = devicePixelRatioF();
        mpv_opengl_fbo target{static_cast<int>(defaultFramebufferObject()),
                              static_cast<int>(width() * ratio), static_cast<int>(height() * ratio),
                              0};
        int flip = 1;
        mpv_render_param params[] = {
            {MPV_RENDER_PARAM_OPENGL_FBO, &target},
            {MPV_RENDER_PARAM_FLIP_Y, &flip},
            {MPV_RENDER_PARAM_INVALID, nullptr},
        };
        mpv_render_context_render(render_, params);
    }

private:
    MpvPlayer& player_;
};

class SoftwareVideoPicture final : public QWidget, public VideoPicture {
public:
    SoftwareVideoPicture(MpvPlayer& player, QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("VideoPicture"));
        setAttribute(Qt::WA_OpaquePaintEvent);
        if (player.handle() == nullptr) {
            failed_ = true;
            return;
        }
        mpv_render_param params[] = {
            {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_SW)},
            {MPV_RENDER_PARAM_INVALID, nullptr},
        };
        if (mpv_render_context_create(&render_, player.handle(), params) < 0) {
            render_ = nullptr;
            failed_ = true;
            return;
        }
        mpv_render_context_set_update_callback(render_, &askForFrame<SoftwareVideoPicture>, this);
    }
    QWidget* widget() override { return this; }
    QString kind() const override { return QStringLiteral("software"); }

    void frameDue() {
        if (newFrameDue()) {
            draw();
        }
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        if (frame_.isNull()) {
            painter.fillRect(rect(), Qt::black);
        } else {
            painter.drawImage(rect(), frame_);
        }
    }
    void resizeEvent(QResizeEvent*) override { draw(); }

private:
    void draw() {
        if (render_ == nullptr || width() <= 0 || height() <= 0) {
            return;
        }
        const QSize size = (QSizeF(this->size()) * devicePixelRatioF()).toSize();
        if (frame_.size() != size) {
            frame_ = QImage(size, QImage::Format_RGB32);
            frame_.fill(Qt::black);
        }
        int dimensions[2] = {size.width(), size.height()};
        size_t stride = static_cast<size_t>(frame_.bytesPerLine());
        mpv_render_param params[] = {
            {MPV_RENDER_PARAM_SW_SIZE, dimensions},
            {MPV_RENDER_PARAM_SW_FORMAT, const_cast<char*>("bgr0")},
            {MPV_RENDER_PARAM_SW_STRIDE, &stride},
            {MPV_RENDER_PARAM_SW_POINTER, frame_.bits()},
            {MPV_RENDER_PARAM_INVALID, nullptr},
        };
        mpv_render_context_render(render_, params);
        update();
    }

    QImage frame_;
};

} // namespace

VideoPicture::~VideoPicture() {
    freeRenderer();
}

bool VideoPicture::newFrameDue() {
    return render_ != nullptr && (mpv_render_context_update(render_) & MPV_RENDER_UPDATE_FRAME);
}

void VideoPicture::freeRenderer() {
    if (render_ != nullptr) {
        mpv_render_context_free(render_);
        render_ = nullptr;
    }
}

bool openGlAvailable() {
    static const bool available = [] {
        QOpenGLContext context;
        QOffscreenSurface surface;
        surface.create();
        return context.create() && surface.isValid() && context.makeCurrent(&surface);
    }();
    return available;
}

std::unique_ptr<VideoPicture> makeVideoPicture(MpvPlayer& player, QWidget* parent, bool openGl) {
    if (openGl && openGlAvailable()) {
        return std::make_unique<GlVideoPicture>(player, parent);
    }
    return std::make_unique<SoftwareVideoPicture>(player, parent);
}

} // namespace sorvel
