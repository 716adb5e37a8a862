#pragma once
// The default lock-screen background: drawn here, stored as JPEG.
#include <cstdint>
#include <vector>

namespace vardex::assets {

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;  // top row first, 3 bytes a pixel
};

// The layout scales with the height; the product ships it at 1920x1080.
RgbImage DrawLockScreen(int width, int height);

std::vector<std::uint8_t> EncodeJpeg(const RgbImage& image, int quality);

}  // namespace vardex::assets
