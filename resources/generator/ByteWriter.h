#pragma once
// Little-endian byte output for the file formats the generator writes (ICO, WAV).
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace vardex::assets {

class ByteWriter {
public:
    void U8(std::uint8_t value) { bytes_.push_back(value); }
    void U16(std::uint16_t value)
    {
        U8(static_cast<std::uint8_t>(value & 0xFFu));
        U8(static_cast<std::uint8_t>(value >> 8));
    }
    void U32(std::uint32_t value)
    {
        U16(static_cast<std::uint16_t>(value & 0xFFFFu));
        U16(static_cast<std::uint16_t>(value >> 16));
    }
    void I16(std::int16_t value) { U16(static_cast<std::uint16_t>(value)); }
    void I32(std::int32_t value) { U32(static_cast<std::uint32_t>(value)); }
    void Tag(std::string_view fourCharacters)
    {
        for (char c : fourCharacters) {
            U8(static_cast<std::uint8_t>(c));
        }
    }
    void Append(std::span<const std::uint8_t> more) { bytes_.insert(bytes_.end(), more.begin(), more.end()); }

    [[nodiscard]] std::size_t Size() const { return bytes_.size(); }
    [[nodiscard]] std::vector<std::uint8_t> Take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace vardex::assets
