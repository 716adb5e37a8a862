#pragma once
// A QR code's modules, made by libqrencode: what the "Grant codes" dialog draws for an
// authenticator app to scan. Its modules spell out the text they were made of (a secret, there):
// they are wiped when the code goes.
#include <cstdint>
#include <string_view>
#include <vector>

namespace vardex {

// The light margin a reader needs around a code, in modules.
inline constexpr int kQrQuietModules = 4;

class QrCode {
public:
    // The code of the text, in 8-bit mode at error correction level M, in the smallest version
    // that holds it. Error when it cannot be made (a text too long for any version).
    explicit QrCode(std::string_view text);
    QrCode(const QrCode&) = delete;
    QrCode& operator=(const QrCode&) = delete;
    ~QrCode();

    // Modules in a row (and rows), without the quiet zone.
    int Width() const noexcept { return width_; }
    bool Dark(int x, int y) const noexcept { return modules_[static_cast<std::size_t>(y * width_ + x)] != 0; }

private:
    int width_ = 0;
    std::vector<std::uint8_t> modules_;  // row by row, 1 for dark
};

// The whole device pixels per module with which a code of width modules and its quiet zone fit
// into a square of side pixels: at least 1 (a square too small is then overrun rather than
// blurred).
int QrModulePixels(int width, int side) noexcept;

}  // namespace vardex
