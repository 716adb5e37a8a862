// Feeds arbitrary bytes to the JPEG decoder for a small screen: no crash, no leak, and an image
// is always whole: width * height BGRX pixels within the limits, every X byte 255.
#include "common/JpegDecoder.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Smaller limits than the lock screen's keep each run short; the limits' paths are the same.
    vardex::JpegLimits limits;
    limits.maxOutputPixels = 1u << 18;
    limits.maxDecoderMemory = 4u << 20;
    const auto image = vardex::DecodeJpeg({data, size}, 100, 75, limits);
    if (!image)
        return 0;
    const auto width = static_cast<std::size_t>(image->width);
    const auto height = static_cast<std::size_t>(image->height);
    if (width == 0 || height == 0 || width * height > limits.maxOutputPixels)
        __builtin_trap();
    if (image->pixels.size() != width * height * 4)
        __builtin_trap();
    for (std::size_t x = 3; x < image->pixels.size(); x += 4)
        if (image->pixels[x] != 255)
            __builtin_trap();
    return 0;
}
