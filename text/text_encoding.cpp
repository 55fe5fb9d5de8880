#include "text_encoding.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <iconv.h>
#include <memory>

namespace sorvel::text {
namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

constexpr bool isUtf8Continuation(char byte) {
    return (static_cast<uint8_t>(byte) & 0xC0) == 0x80;
}

struct IconvCloser {
    void operator()(void* handle) const { iconv_close(static_cast<iconv_t>(handle)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

IconvHandle openConverter(const char* to, const char* from) {
    iconv_t handle = iconv_open(to, from);
    if (handle == reinterpret_cast<iconv_t>(-1))
        return {};
    return IconvHandle(handle);
}

// Length of the valid UTF-8 sequence starting at text[at], or 0 when it is not one.
size_t utf8SequenceLength(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    const uint8_t lead = byte(at);
    if (lead < 0x80)
        return 1;
    size_t length = 0;
    uint32_t minimum = 0;
    uint32_t value = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        minimum = 0x80;
        value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        minimum = 0x800;
        value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        minimum = 0x10000;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() - at < length)
        return 0;
    for (size_t i = 1; i < length; ++i) {
        const uint8_t next = byte(at + i);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

// Runs iconv over the whole input. An input sequence the converter rejects is skipped (by
// `skipLength` bytes) and `replacement` written in its place; a cut-off sequence at the end
// gets one replacement.
template <typename SkipLength>
std::string convert(std::string_view input, const char* to, const char* from,
                    std::string_view replacement, SkipLength skipLength) {
    std::string out;
    IconvHandle converter = openConverter(to, from);
    if (!converter) {
        // No converter in this C library: keep what is plain ASCII in both encodings.
        for (char c : input)
            if (static_cast<uint8_t>(c) < 0x80)
                out.push_back(c);
            else
                out.append(replacement);
        return out;
    }
    auto* handle = static_cast<iconv_t>(converter.get());
    out.reserve(input.size() * 3 / 2 + 4);
    char* in = const_cast<char*>(input.data()); // iconv's signature, it does not write
    size_t inLeft = input.size();
    char buffer[512];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t converted = iconv(handle, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        if (converted != static_cast<size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        if (errno == EILSEQ) {
            const size_t at = static_cast<size_t>(in - input.data());
            const size_t skip = std::max<size_t>(1, std::min(inLeft, skipLength(input, at)));
            in += skip;
            inLeft -= skip;
            out.append(replacement);
            iconv(handle, nullptr, nullptr, nullptr, nullptr);
            continue;
        }
        // EINVAL: the input ends inside a sequence.
        out.append(replacement);
        break;
    }
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    iconv(handle, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    return out;
}

} // namespace

bool isValidUtf8(std::string_view text) {
    for (size_t at = 0; at < text.size();) {
        const size_t length = utf8SequenceLength(text, at);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

std::string cp932ToUtf8(std::string_view bytes) {
    // A byte CP932 rejects is dropped alone: the next one may start a good character.
    return convert(bytes, "UTF-8", "CP932", kReplacementUtf8,
                   [](std::string_view, size_t) { return size_t{1}; });
}

std::string utf8ToCp932(std::string_view text) {
    // An unmappable character is skipped whole, so one '?' stands for it.
    return convert(text, "CP932", "UTF-8", "?", [](std::string_view input, size_t at) {
        const size_t length = utf8SequenceLength(input, at);
        return length ? length : size_t{1};
    });
}

std::string utf8OrCp932(std::string_view bytes) {
    return isValidUtf8(bytes) ? std::string(bytes) : cp932ToUtf8(bytes);
}

std::string_view cutUtf8(std::string_view text, size_t maxBytes) {
    if (text.size() <= maxBytes)
        return text;
    size_t cut = maxBytes;
    while (cut > 0 && isUtf8Continuation(text[cut]))
        --cut;
    return text.substr(0, cut);
}

std::string_view firstUtf8CodePoints(std::string_view text, size_t count) {
    size_t end = 0;
    for (size_t taken = 0; end < text.size() && taken < count; ++taken) {
        ++end;
        while (end < text.size() && isUtf8Continuation(text[end]))
            ++end;
    }
    return text.substr(0, end);
}

std::string_view cutCp932(std::string_view bytes, size_t maxBytes) {
    size_t end = 0;
    while (end < bytes.size()) {
        const size_t next = end + (isCp932LeadByte(static_cast<uint8_t>(bytes[end])) ? 2 : 1);
        if (next > maxBytes || next > bytes.size())
            break;
        end = next;
    }
    return bytes.substr(0, end);
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

} // namespace sorvel::text
