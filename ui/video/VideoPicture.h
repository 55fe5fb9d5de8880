// The widget that shows an MpvPlayer's picture through mpv's render API: OpenGL where the
// platform gives an OpenGL context (Mesa's software OpenGL included), else mpv's own software
// renderer into an image. Either draws on the UI thread when mpv says a frame is due. It must be
// gone before the player is.
#pragma once

#include <QString>
#include <memory>

class QWidget;
struct mpv_render_context;

namespace sorvel {

class MpvPlayer;

class VideoPicture {
public:
    // Frees what is left of mpv's renderer (an OpenGL one is freed first, its context current).
    virtual ~VideoPicture();
    virtual QWidget* widget() = 0;
    // Whether mpv can draw here now; a file's picture needs it before it is loaded. OpenGL
    // becomes ready once the widget has been shown.
    bool ready() const { return render_ != nullptr; }
    // Whether it could never become ready (mpv refused the context).
    bool failed() const { return failed_; }
    // "OpenGL" or "software", for the tests and the error texts.
    virtual QString kind() const = 0;

protected:
    // Asks mpv whether a new frame is due (mpv says so through the update callback).
    bool newFrameDue();
    void freeRenderer();

    mpv_render_context* render_ = nullptr;
    bool failed_ = false;
};

// Whether this platform gives an OpenGL context (asked once).
bool openGlAvailable();

// The OpenGL picture where OpenGL works, else the software one; `openGl` false asks for the
// software one.
std::unique_ptr<VideoPicture> makeVideoPicture(MpvPlayer& player, QWidget* parent, bool openGl);

} // namespace sorvel
