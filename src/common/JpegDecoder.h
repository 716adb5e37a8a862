#pragma once
// Decodes the lock screen's background picture from JPEG data. The lock screen must show even
// when the picture is damaged or hostile, so bad data gives no image rather than an error, and
// the work and memory a file can ask for are bounded.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vardex {

// 32-bit BGRX pixels, top-down rows of width * 4 bytes with no padding (the layout of a top-down
// 32-bit DIB section); the X byte is 255.
struct DecodedImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

struct JpegLimits {
    // Room for an 8K screen's picture at full size: 160 MB of pixels.
    std::size_t maxOutputPixels = 40'000'000;
    // What libjpeg may hold once it sets up its whole-image buffers: progressive and multi-scan
    // files keep every coefficient, about 2 bytes per sample; sequential ones need row buffers only.
    std::size_t maxDecoderMemory = 256u << 20;
    // Real encoders write a dozen scans or so; every scan is a pass over the whole image.
    int maxScans = 100;
};

// Decodes data near the target size: libjpeg scales by N/8 while decoding, and the smallest N
// whose output still covers the target in both dimensions is taken (at most 8/8, never larger
// than the picture). A target with a dimension of 0 or less means full size. Truncated data
// still gives an image: the missing part grey, or for a progressive file, coarser. Nothing when
// the data is not a JPEG libjpeg decodes, or the output, the decoder's memory or the number of
// scans would exceed the limits, or memory runs out; it never throws.
std::optional<DecodedImage> DecodeJpeg(std::span<const std::uint8_t> data, int targetWidth, int targetHeight,
                                       const JpegLimits& limits = {}) noexcept;

}  // namespace vardex
