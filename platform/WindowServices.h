// The small window services plain code asks for: message boxes and file dialogs. The Qt windows
// implement them; tests fake them. All calls come on the UI thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sorvel {

enum class MessageIcon { None, Information, Question, Exclamation, Critical };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    virtual MessageAnswer show(const std::string& text, const std::string& caption,
                               MessageButtons buttons, MessageIcon icon) = 0;
};

struct FileFilter {
    std::string label;
    std::string patterns; // "*.wav; *.mp3"
};

struct FileDialogRequest {
    bool save = false;
    bool multiple = false; // open dialogs only: several files may be chosen
    std::string title;
    std::vector<FileFilter> filters;
    int filterIndex = 1;
    std::string initialFolder;
    // Save dialogs: added, without its dot, to a typed name that has no extension ("geq"), before
    // the dialog asks whether to replace an existing file.
    std::string defaultSuffix;
};

class FileDialogService {
public:
    virtual ~FileDialogService() = default;
    // The chosen file, or nothing when the user cancelled.
    virtual std::optional<std::string> choose(const FileDialogRequest& request) = 0;
    // The chosen files in the order given, empty when the user cancelled. Dialogs that cannot
    // choose several files answer with the one `choose` gives.
    virtual std::vector<std::string> chooseMany(const FileDialogRequest& request) {
        std::vector<std::string> files;
        if (auto file = choose(request)) {
            files.push_back(std::move(*file));
        }
        return files;
    }
};

} // namespace sorvel
