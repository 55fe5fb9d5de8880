// The tag editor frmMain without its widgets: one MP3 file's ID3v1 tag as editable texts, its
// stream facts as label texts, the rule that keeps each text box within what the tag holds, and
// Save. The window shows what this holds and hands every edit to it. UI thread only.
#pragma once

#include "ID3TagRecord.h"
#include "Mp3Info.h"
#include "WindowServices.h"

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvel {

// The captions of Frame1's labels (lblMPEG ... lblv2Vers).
struct Mp3InfoLabels {
    std::string mpeg;        // "version 1 layer 3"
    std::string length;      // "Length: 4:10"
    std::string bitrate;     // "Bitrate: 128 kbit / sec, constant bit rate"
    std::string frequency;   // "Frequency: 44100 hz, joint stereo"
    std::string copyrighted; // "Copyrighted: no"
    std::string original;    // "Original: yes"
    std::string checksums;   // "Uses checksums: no"
    std::string emphasis;    // "Uses emphasis: no"
    std::string id3v1;       // "ID3 v1 tag: version 1.1" or "ID3 v1 tag: none"
    std::string id3v2;       // "ID3 v2 tag: version 2.3" or "ID3 v2 tag: none"
};

Mp3InfoLabels mp3InfoLabels(const Mp3Info& info);

// v1Genre's items: "" first, then genre k as item k + 1.
const std::vector<std::string>& genreItems();
// The item whose text is exactly `genre` (letter case counts); 0, the empty item, when none is.
int genreItemFor(std::string_view genre);

// The text boxes of frav1.
enum class TagField { Title, Artist, Album, Year, Track, Comment };
inline constexpr std::array kTagFields{TagField::Title, TagField::Artist, TagField::Album,
                                       TagField::Year,  TagField::Track,  TagField::Comment};

// What the tag holds of a field, in CP932 bytes: 30 for title, artist and album, 4 for the year,
// 28 for the comment (the tag is written as ID3v1.1, whose last two comment bytes hold the track
// number); the track is a number up to 255.
std::size_t tagFieldBytes(TagField field);
// Whether a box may change from `before` to `after`: the text fits its field in CP932 and adds no
// character CP932 cannot hold; the track takes up to three digits worth 255 at most.
bool tagFieldAccepts(TagField field, std::string_view before, std::string_view after);
// What the window says when it refused an edit of `field` for `refused`.
std::string tagFieldLimitText(TagField field, std::string_view refused);

// The message after a successful Save, and the one that names a file Save could not change.
inline constexpr std::string_view kTagSavedText = "書き換え完了";
std::string tagNotSavedText(const std::string& path);

class TagEditorModel {
public:
    explicit TagEditorModel(MessageBoxService& messageBox);

    // The opening sequence for the file ID3FileSet remembered: the path (spaces trimmed, cut at
    // a zero character), the tag into the boxes, the stream facts into the labels. Each step
    // that fails leaves its part empty and the next one runs. "" shows nothing.
    void open(std::string_view rememberedPath);

    const std::string& path() const { return path_; } // txtMp3File
    bool v1BoxShown() const { return v1BoxShown_; }   // chkv1 is shown once a file is open
    bool v1Ticked() const { return v1Ticked_; }       // frav1 shows exactly while ticked
    void setV1Ticked(bool ticked) { v1Ticked_ = ticked; }

    const std::string& text(TagField field) const;
    // Takes the box's new text when tagFieldAccepts allows it; false (text kept) otherwise.
    bool setText(TagField field, std::string text);
    int genreItem() const { return genreItem_; }
    void setGenreItem(int item);

    const Mp3InfoLabels& labels() const { return labels_; }
    bool saveEnabled() const { return saveEnabled_; }

    // cmdUpdate: writes the boxes as the file's tag while chkv1 is ticked, else removes the tag,
    // clearing a read-only file's attribute either way. Says "書き換え完了" only when that
    // worked; otherwise names the file, which is left as it was. False when nothing changed.
    bool save();

    // After each successful Save, with the file's path (the playlist's rows follow the tag).
    std::function<void(const std::string&)> onSaved;

private:
    void readStreamFacts();

    MessageBoxService& messageBox_;
    std::string path_;
    bool v1BoxShown_ = false;
    bool v1Ticked_ = false;
    std::array<std::string, kTagFields.size()> texts_;
    int genreItem_ = 0;
    Mp3InfoLabels labels_;
    bool saveEnabled_ = false;
};

} // namespace sorvel
