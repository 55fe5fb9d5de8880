#include "TagEditorModel.h"

#include "mdlID3.h"
#include "text_encoding.h"

#include <algorithm>

namespace sorvel {
namespace {

std::string yesNo(bool value) {
    return value ? "yes" : "no";
}

std::string asciiLower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return text;
}

std::size_t indexOf(TagField field) {
    return static_cast<std::size_t>(field);
}

// The caption of the field's label, without its colon.
std::string_view fieldName(TagField field) {
    switch (field) {
    case TagField::Title:
        return "Title";
    case TagField::Artist:
        return "Artist";
    case TagField::Album:
        return "Album";
    case TagField::Year:
        return "Year";
    case TagField::Track:
        return "Track nr.";
    case TagField::Comment:
        return "Comment";
    }
    return {};
}

// Characters CP932 cannot hold: each becomes one '?' that the text did not have.
std::ptrdiff_t unmappableCount(std::string_view utf8) {
    const std::string cp932 = text::utf8ToCp932(utf8);
    return std::count(cp932.begin(), cp932.end(), '?') - std::count(utf8.begin(), utf8.end(), '?');
}

bool isTrackText(std::string_view text) {
    if (text.size() > 3 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    int value = 0;
    for (const char c : text) {
        value = value * 10 + (c - '0');
    }
    return value <= 255;
}

std::string_view trimSpaces(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace

Mp3InfoLabels mp3InfoLabels(const Mp3Info& info) {
    Mp3InfoLabels labels;
    labels.mpeg = info.versionText;
    const std::string seconds = std::to_string(info.lengthSeconds % 60);
    labels.length = "Length: " + std::to_string(info.lengthSeconds / 60) + ":" +
                    (seconds.size() < 2 ? "0" + seconds : seconds);
    labels.bitrate = "Bitrate: " + std::to_string(info.bitrateKbps) + " kbit / sec, " +
                     (info.variableBitrate ? "variable bit rate" : "constant bit rate");
    labels.frequency = "Frequency: " + std::to_string(info.frequencyHz) + " hz, " +
                       asciiLower(info.channelModeText);
    labels.copyrighted = "Copyrighted: " + yesNo(info.copyrighted);
    labels.original = "Original: " + yesNo(info.original);
    labels.checksums = "Uses checksums: " + yesNo(info.usesChecksums);
    labels.emphasis = "Uses emphasis: " + yesNo(info.emphasis);
    labels.id3v1 = "ID3 v1 tag: " + (info.id3v1Version == -1
                                         ? std::string("none")
                                         : "version 1." + std::to_string(info.id3v1Version));
    labels.id3v2 = "ID3 v2 tag: " + (info.id3v2Version == -1
                                         ? std::string("none")
                                         : "version 2." + std::to_string(info.id3v2Version));
    return labels;
}

const std::vector<std::string>& genreItems() {
    static const std::vector<std::string> items = [] {
        std::vector<std::string> all{""};
        for (int number = 0; number < kGenreCount; ++number) {
            all.push_back(GenreName(number));
        }
        return all;
    }();
    return items;
}

int genreItemFor(std::string_view genre) {
    const auto& items = genreItems();
    const auto found = std::find(items.begin() + 1, items.end(), genre);
    return found == items.end() ? 0 : static_cast<int>(found - items.begin());
}

std::size_t tagFieldBytes(TagField field) {
    switch (field) {
    case TagField::Year:
        return id3v1::kYearSize;
    case TagField::Comment:
        return id3v1::kCommentV11Size;
    case TagField::Track:
        return 3;
    default:
        return id3v1::kTextSize;
    }
}

bool tagFieldAccepts(TagField field, std::string_view before, std::string_view after) {
    if (field == TagField::Track) {
        return isTrackText(after);
    }
    return text::utf8ToCp932(after).size() <= tagFieldBytes(field) &&
           unmappableCount(after) <= unmappableCount(before);
}

std::string tagFieldLimitText(TagField field, std::string_view refused) {
    const std::string name(fieldName(field));
    if (field == TagField::Track) {
        return name + " は 1 から 255 までの数です。";
    }
    if (unmappableCount(refused) > 0) {
        return name + " に保存できない文字です（ID3 v1 タグは Shift_JIS の文字だけを保存します）。";
    }
    return name + " は " + std::to_string(tagFieldBytes(field)) +
           " バイトまでです（全角文字は 2 バイト）。";
}

std::string tagNotSavedText(const std::string& path) {
    return "ID3 タグを書き換えられませんでした。\r\n" + path;
}

TagEditorModel::TagEditorModel(MessageBoxService& messageBox) : messageBox_(messageBox) {}

void TagEditorModel::open(std::string_view rememberedPath) {
    path_.clear();
    v1BoxShown_ = false;
    v1Ticked_ = false;
    texts_ = {};
    genreItem_ = 0;
    labels_ = {};
    saveEnabled_ = false;
    const std::string_view path = trimSpaces(rememberedPath.substr(0, rememberedPath.find('\0')));
    if (path.empty()) {
        return;
    }
    path_ = path;

    ID3TagRecord record;
    v1BoxShown_ = true;
    v1Ticked_ = ReadID3v1(path_, record);
    texts_[indexOf(TagField::Title)] = record.title;
    texts_[indexOf(TagField::Artist)] = record.artist;
    texts_[indexOf(TagField::Album)] = record.album;
    texts_[indexOf(TagField::Year)] = record.year;
    texts_[indexOf(TagField::Track)] = record.track;
    texts_[indexOf(TagField::Comment)] = record.comment;
    genreItem_ = genreItemFor(record.genre);

    readStreamFacts();
    saveEnabled_ = true;
}

void TagEditorModel::readStreamFacts() {
    Mp3Info info;
    ReadMp3Info(path_, info); // a file without a frame still shows its tags and zeros
    labels_ = mp3InfoLabels(info);
}

const std::string& TagEditorModel::text(TagField field) const {
    return texts_[indexOf(field)];
}

bool TagEditorModel::setText(TagField field, std::string text) {
    std::string& held = texts_[indexOf(field)];
    if (!tagFieldAccepts(field, held, text)) {
        return false;
    }
    held = std::move(text);
    return true;
}

void TagEditorModel::setGenreItem(int item) {
    const int count = static_cast<int>(genreItems().size());
    genreItem_ = item >= 0 && item < count ? item : 0;
}

bool TagEditorModel::save() {
    if (path_.empty()) {
        return false;
    }
    bool done = false;
    if (v1Ticked_) {
        ID3TagRecord record;
        record.artist = text(TagField::Artist);
        record.album = text(TagField::Album);
        record.title = text(TagField::Title);
        record.track = text(TagField::Track);
        record.year = text(TagField::Year);
        record.genre = genreItems()[static_cast<std::size_t>(genreItem_)];
        record.comment = text(TagField::Comment);
        done = WriteID3v1(path_, record, true);
    } else {
        done = RemoveID3v1(path_, true);
    }
    if (!done) {
        messageBox_.show(tagNotSavedText(path_), "Sorvel", MessageButtons::Ok,
                         MessageIcon::Exclamation);
        return false;
    }
    // The labels name the tag the file carries now, and the playlist's rows follow it before
    // the message waits for its OK.
    readStreamFacts();
    if (onSaved) {
        onSaved(path_);
    }
    messageBox_.show(std::string(kTagSavedText), "Sorvel", MessageButtons::Ok,
                     MessageIcon::Information);
    return true;
}

} // namespace sorvel
