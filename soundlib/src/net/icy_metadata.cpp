#include "icy_metadata.h"

#include "text_encoding.h"

#include <cctype>

namespace soundlib {
namespace {

std::string_view trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

// Whether `rest` (what follows a closing "';") is the end of the block or the next field.
bool endsField(std::string_view rest) {
    size_t at = 0;
    while (at < rest.size() && rest[at] == '\0') {
        ++at;
    }
    if (at == rest.size()) {
        return true;
    }
    size_t name = at;
    while (name < rest.size() && std::isalnum(static_cast<unsigned char>(rest[name]))) {
        ++name;
    }
    return name > at && rest.substr(name, 2) == "='";
}

} // namespace

std::optional<std::string> icyStreamTitle(std::string_view block) {
    constexpr std::string_view kKey = "StreamTitle='";
    const size_t start = block.find(kKey);
    if (start == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view value = block.substr(start + kKey.size());
    // Titles may hold "';" themselves; the value ends at the "';" that ends the field.
    size_t end = value.find("';");
    while (end != std::string_view::npos && !endsField(value.substr(end + 2))) {
        end = value.find("';", end + 2);
    }
    if (end == std::string_view::npos) {
        // No closing quote: a block cut short; take what is there, without padding.
        end = value.find('\0');
        if (end != std::string_view::npos && end > 0 && value[end - 1] == '\'') {
            --end;
        }
    }
    return std::string(value.substr(0, end));
}

std::pair<std::string, std::string> splitArtistTitle(std::string_view text) {
    const size_t separator = text.find(" - ");
    if (separator == std::string_view::npos) {
        return {std::string(), std::string(trim(text))};
    }
    return {std::string(trim(text.substr(0, separator))),
            std::string(trim(text.substr(separator + 3)))};
}

std::string icyTextToUtf8(std::string_view text) {
    return sorvel::text::utf8OrCp932(text);
}

} // namespace soundlib
