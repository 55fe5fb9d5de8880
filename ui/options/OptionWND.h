// The options window: the page list on the left and one page at a time on the right, every
// control bound to the OptionsWindowModel, which carries out what the user does. After each
// action the window shows the model again, so effects of one control on another (enabling
// rules, presets moving sliders, captions) appear at once. UI thread only.
#pragma once

#include <QWidget>
#include <functional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QStackedWidget;

namespace sorvel {

class OptionsWindowModel;
class CheckBox;
class Slider;

class OptionWND final : public QWidget {
    Q_OBJECT
public:
    explicit OptionWND(OptionsWindowModel& model, QWidget* parent = nullptr);
    ~OptionWND() override;

    // Brings page `page` forward, as a click on its name does.
    void showPage(int page);
    int currentPage() const;
    // Shows every control's state from the model.
    void refresh();

    // Runs when the window has closed (the model has recorded its slots by then).
    std::function<void()> onClosed;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildPlaybackPage();
    QWidget* buildEffectsPage();
    QWidget* buildEqualizerPage();
    QWidget* buildAssociationsPage();
    QWidget* buildSkinPage();
    QWidget* buildOtherPage();
    QWidget* buildAudioPage();
    QWidget* framed(int page, QWidget* content);

    // Binds a widget to a model control and registers how the window shows it again.
    QWidget* boundCheckBox(CheckBox& box);
    QWidget* boundSlider(Slider& slider, Qt::Orientation orientation);
    void onRefresh(std::function<void()> show) { refreshers_.push_back(std::move(show)); }

    OptionsWindowModel& model_;
    QListWidget* pages_ = nullptr;
    QStackedWidget* frames_ = nullptr;
    std::vector<std::function<void()>> refreshers_;
    bool refreshing_ = false;
};

} // namespace sorvel
