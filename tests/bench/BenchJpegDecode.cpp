// Times decoding a 3840x2160 photo-like JPEG for common screen sizes and at full size:
// bench_jpeg_decode [runs]. Prints the median and the worst time of each.
#include "JpegEncoder.h"
#include "common/JpegDecoder.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include <jpeglib.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Gradients, fine stripes and noise, so that the entropy data is as dense as a photo's.
Bytes DetailedRgb(int width, int height)
{
    Bytes rgb(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> noise(-24, 24);
    std::size_t at = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double stripes = 40.0 * std::sin(x * 0.21) * std::cos(y * 0.13);
            const int base[3] = {x * 255 / width, y * 255 / height, (x + y) * 255 / (width + height)};
            for (const int channel : base) {
                const int value = channel + static_cast<int>(stripes) + noise(random);
                rgb[at++] = static_cast<std::uint8_t>(std::clamp(value, 0, 255));
            }
        }
    return rgb;
}

void Time(const Bytes& jpeg, int targetWidth, int targetHeight, int runs)
{
    std::vector<double> milliseconds;
    int width = 0;
    int height = 0;
    for (int run = 0; run <= runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const auto image = vardex::DecodeJpeg(jpeg, targetWidth, targetHeight);
        const auto stop = std::chrono::steady_clock::now();
        if (!image) {
            std::printf("target %dx%d: not decoded\n", targetWidth, targetHeight);
            return;
        }
        width = image->width;
        height = image->height;
        if (run > 0)  // the first run warms the caches and the allocator
            milliseconds.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    const std::size_t n = milliseconds.size();
    const double median = (milliseconds[(n - 1) / 2] + milliseconds[n / 2]) / 2;
    std::printf("target %4dx%-4d -> %dx%d: median %6.1f ms, worst %6.1f ms\n", targetWidth, targetHeight, width,
                height, median, milliseconds.back());
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    constexpr int kWidth = 3840;
    constexpr int kHeight = 2160;
    const Bytes jpeg = vardex::test::EncodeJpeg(DetailedRgb(kWidth, kHeight), kWidth, kHeight, 3, JCS_RGB, {.quality = 90});
    std::printf("%dx%d JPEG, quality 90, 4:2:0, %zu bytes; %d runs each\n", kWidth, kHeight, jpeg.size(), runs);
    Time(jpeg, 1280, 1024, runs);
    Time(jpeg, 1920, 1080, runs);
    Time(jpeg, 0, 0, runs);
    return 0;
}
