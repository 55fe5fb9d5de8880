// Recording fakes of the window services the playlist and the engine reach.
#pragma once

#include "PlaylistView.h"
#include "WindowServices.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace sorvel::fakes {

struct FakeMessageBox : MessageBoxService {
    std::vector<std::string> texts;
    std::vector<MessageButtons> buttons;
    std::deque<MessageAnswer> answers; // given in turn; then `answer`
    MessageAnswer answer = MessageAnswer::Yes;
    MessageAnswer show(const std::string& text, const std::string&, MessageButtons shown,
                       MessageIcon) override {
        texts.push_back(text);
        buttons.push_back(shown);
        if (!answers.empty()) {
            const MessageAnswer next = answers.front();
            answers.pop_front();
            return next;
        }
        return answer;
    }
};

struct FakeFileDialog : FileDialogService {
    std::optional<std::string> next;
    std::vector<std::string> nextMany;
    std::vector<FileDialogRequest> requests;
    std::optional<std::string> choose(const FileDialogRequest& request) override {
        requests.push_back(request);
        return next;
    }
    std::vector<std::string> chooseMany(const FileDialogRequest& request) override {
        requests.push_back(request);
        return nextMany;
    }
};

struct FakePlaylistView : PlaylistView {
    std::map<int32_t, std::string> rows; // slot -> path
    int32_t highlighted = -1;
    std::vector<int32_t> updated; // rows told their texts changed
    void AddListRow(int32_t slot, const PlaylistEntry& entry) override { rows[slot] = entry.path; }
    void UpdateListRow(int32_t row) override { updated.push_back(row); }
    void ClearListRows() override { rows.clear(); }
    void HighlightCurrentRow(int32_t index) override { highlighted = index; }
};

} // namespace sorvel::fakes
