// Whether a run of bytes begins with an ASCII mark such as "TAG", "ID3" or "Xing".
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace sorvel {

inline bool startsWith(std::span<const std::uint8_t> bytes, std::string_view magic) {
    return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())
        .starts_with(magic);
}

} // namespace sorvel
