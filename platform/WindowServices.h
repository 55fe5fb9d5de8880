// The small window services plain code asks for: message boxes, file dialogs and the desktop's
// programs. The Qt windows implement them; tests fake them. All calls come on the UI thread.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace sorvel {

enum class MessageIcon { None, Information, Question, Exclamation, Critical };
enum class MessageButtons { Ok, YesNo, OkCancel };
enum class MessageAnswer { Ok, Yes, No, Cancel };

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

// Programs and documents handed to the desktop.
class ShellLauncher {
public:
    virtual ~ShellLauncher() = default;
    // Starts `program` on its own (it outlives the caller) in `workingFolder`; false when it
    // could not be started.
    virtual bool startProgram(const std::filesystem::path& program,
                              const std::filesystem::path& workingFolder) = 0;
    // Opens `document` in the desktop's viewer for its type; false when none took it.
    virtual bool openDocument(const std::filesystem::path& document) = 0;
};

} // namespace sorvel
