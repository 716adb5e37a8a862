#include "JpegEncoder.h"
#include "common/JpegDecoder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <random>

#include <jpeglib.h>

namespace vardex {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Sample = std::array<std::uint8_t, 4>;  // RGB, or CMYK as stored

// Four solid quadrants: top left, top right, bottom left, bottom right.
struct Picture {
    int width = 0;
    int height = 0;
    J_COLOR_SPACE space = JCS_RGB;
    std::array<Sample, 4> quadrants{};
};

using EncodeOptions = test::JpegEncodeOptions;

Bytes Encode(const Picture& picture, const EncodeOptions& options = {})
{
    const int components = picture.space == JCS_CMYK ? 4 : picture.space == JCS_GRAYSCALE ? 1 : 3;
    Bytes samples;
    samples.reserve(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height) *
                    static_cast<std::size_t>(components));
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const std::size_t quadrant = (y >= picture.height / 2 ? 2u : 0u) + (x >= picture.width / 2 ? 1u : 0u);
            const Sample& sample = picture.quadrants[quadrant];
            samples.insert(samples.end(), sample.begin(), sample.begin() + components);
        }
    return test::EncodeJpeg(samples, picture.width, picture.height, components, picture.space, options);
}

// Offset of the first segment with the marker (0xFF, marker), or 0 when the scan starts first.
std::size_t SegmentOffset(const Bytes& jpeg, std::uint8_t marker)
{
    for (std::size_t at = 2; at + 4 <= jpeg.size(); at += 2u + (jpeg[at + 2] * 256u + jpeg[at + 3])) {
        if (jpeg[at + 1] == marker)
            return at;
        if (jpeg[at + 1] == 0xDA)
            break;
    }
    return 0;
}

// Rewrites the frame header's size, leaving the data for the old size.
Bytes WithClaimedSize(Bytes jpeg, std::uint8_t frameMarker, unsigned width, unsigned height)
{
    const std::size_t frame = SegmentOffset(jpeg, frameMarker);
    EXPECT_NE(frame, 0u);
    jpeg[frame + 5] = static_cast<std::uint8_t>(height >> 8);
    jpeg[frame + 6] = static_cast<std::uint8_t>(height);
    jpeg[frame + 7] = static_cast<std::uint8_t>(width >> 8);
    jpeg[frame + 8] = static_cast<std::uint8_t>(width);
    return jpeg;
}

// Checks the mean colour of the box around (x, y) and that its X bytes are 255.
void ExpectColour(const DecodedImage& image, int x, int y, std::array<int, 3> rgb, int tolerance = 6, int box = 2)
{
    SCOPED_TRACE(testing::Message() << "at " << x << "," << y);
    std::array<int, 4> sum{};
    int count = 0;
    for (int row = std::max(0, y - box); row <= std::min(image.height - 1, y + box); ++row)
        for (int column = std::max(0, x - box); column <= std::min(image.width - 1, x + box); ++column, ++count)
            for (std::size_t c = 0; c < 4; ++c)
                sum[c] += image.pixels[(static_cast<std::size_t>(row) * static_cast<std::size_t>(image.width) +
                                        static_cast<std::size_t>(column)) * 4 + c];
    EXPECT_NEAR(sum[2] / count, rgb[0], tolerance);
    EXPECT_NEAR(sum[1] / count, rgb[1], tolerance);
    EXPECT_NEAR(sum[0] / count, rgb[2], tolerance);
    EXPECT_EQ(sum[3], 255 * count);
}

void ExpectQuadrants(const DecodedImage& image, const std::array<std::array<int, 3>, 4>& rgb)
{
    const int w = image.width;
    const int h = image.height;
    ASSERT_EQ(image.pixels.size(), static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
    for (int q = 0; q < 4; ++q) {
        const int left = q % 2 ? w / 2 : 0;
        const int top = q / 2 ? h / 2 : 0;
        ExpectColour(image, left + w / 4, top + h / 4, rgb[static_cast<std::size_t>(q)]);
        ExpectColour(image, left + 4, top + 4, rgb[static_cast<std::size_t>(q)]);  // rows and columns line up
        ExpectColour(image, left + w / 2 - 5, top + h / 2 - 5, rgb[static_cast<std::size_t>(q)]);
    }
}

constexpr std::array<std::array<int, 3>, 4> kRgbQuadrants{{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}}};

Picture RgbQuadrants(int width, int height)
{
    return {width, height, JCS_RGB, {{{255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}, {255, 255, 255, 0}}}};
}

const Bytes& UhdJpeg()
{
    static const Bytes jpeg = Encode(RgbQuadrants(3840, 2160));
    return jpeg;
}

TEST(JpegDecoder, UhdPictureForAScreenDecodesAtHalfSize)
{
    const std::optional<DecodedImage> image = DecodeJpeg(UhdJpeg(), 1280, 1024);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 1920);
    EXPECT_EQ(image->height, 1080);
    ExpectQuadrants(*image, kRgbQuadrants);
}

TEST(JpegDecoder, SmallestScaleThatCoversTheTargetWithoutUpscaling)
{
    struct Case {
        int targetWidth, targetHeight, width, height;
    };
    // 1001 x 999 at N/8 rounds up: 126x125, 251x250, 376x375, 501x500, 626x625, 751x750, 876x875.
    const Bytes odd = Encode(RgbQuadrants(1001, 999));
    for (const Case& c : {Case{126, 125, 126, 125}, Case{127, 125, 251, 250}, Case{126, 126, 251, 250},
                          Case{500, 100, 501, 500}, Case{100, 500, 501, 500}, Case{876, 875, 876, 875},
                          Case{877, 1, 1001, 999}, Case{1, 1, 126, 125}, Case{4000, 3000, 1001, 999},
                          Case{0, 0, 1001, 999}, Case{640, 0, 1001, 999}, Case{-1, -1, 1001, 999}}) {
        SCOPED_TRACE(testing::Message() << "target " << c.targetWidth << "x" << c.targetHeight);
        const std::optional<DecodedImage> image = DecodeJpeg(odd, c.targetWidth, c.targetHeight);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->width, c.width);
        EXPECT_EQ(image->height, c.height);
        EXPECT_EQ(image->pixels.size(), static_cast<std::size_t>(c.width * c.height * 4));
    }
    const std::optional<DecodedImage> portrait = DecodeJpeg(UhdJpeg(), 1080, 1920);
    ASSERT_TRUE(portrait);
    EXPECT_EQ(portrait->width, 3840);
    EXPECT_EQ(portrait->height, 2160);
    const std::optional<DecodedImage> justOver = DecodeJpeg(UhdJpeg(), 1921, 1080);
    ASSERT_TRUE(justOver);
    EXPECT_EQ(justOver->width, 2400);
    EXPECT_EQ(justOver->height, 1350);
}

TEST(JpegDecoder, GrayscaleSourceGivesGreyPixels)
{
    const Bytes jpeg = Encode({64, 32, JCS_GRAYSCALE, {{{20}, {90}, {160}, {230}}}});
    const std::optional<DecodedImage> image = DecodeJpeg(jpeg, 0, 0);
    ASSERT_TRUE(image);
    ExpectQuadrants(*image, {{{20, 20, 20}, {90, 90, 90}, {160, 160, 160}, {230, 230, 230}}});
}

TEST(JpegDecoder, CmykSourcesGiveRgb)
{
    // Ink amounts: cyan, magenta, yellow, half black.
    const std::array<Sample, 4> ink{{{255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}, {0, 0, 0, 128}}};
    const std::array<std::array<int, 3>, 4> rgb{{{0, 255, 255}, {255, 0, 255}, {255, 255, 0}, {127, 127, 127}}};
    std::array<Sample, 4> adobe{};  // as Adobe's applications store it: inverted
    for (std::size_t q = 0; q < 4; ++q)
        for (std::size_t c = 0; c < 4; ++c)
            adobe[q][c] = static_cast<std::uint8_t>(255 - ink[q][c]);

    for (const J_COLOR_SPACE stored : {JCS_CMYK, JCS_YCCK}) {
        SCOPED_TRACE(stored == JCS_CMYK ? "CMYK" : "YCCK");
        const std::optional<DecodedImage> image = DecodeJpeg(Encode({64, 64, JCS_CMYK, adobe}, {.stored = stored}), 0, 0);
        ASSERT_TRUE(image);
        ExpectQuadrants(*image, rgb);
    }
    SCOPED_TRACE("CMYK without Adobe's marker");
    const std::optional<DecodedImage> plain =
        DecodeJpeg(Encode({64, 64, JCS_CMYK, ink}, {.stored = JCS_CMYK, .adobeMarker = false}), 0, 0);
    ASSERT_TRUE(plain);
    ExpectQuadrants(*plain, rgb);
}

TEST(JpegDecoder, TruncatedDataGivesNothing)
{
    const Bytes jpeg = Encode(RgbQuadrants(256, 256));
    const std::size_t scan = SegmentOffset(jpeg, 0xDA);
    ASSERT_NE(scan, 0u);
    const std::size_t data = scan + 2 + jpeg[scan + 2] * 256u + jpeg[scan + 3];

    for (const std::size_t cut : {data + (jpeg.size() - data) / 2, data, scan, jpeg.size() - 2}) {
        const Bytes truncated(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_FALSE(DecodeJpeg(truncated, 0, 0)) << "cut at " << cut << " of " << jpeg.size();
    }
    EXPECT_TRUE(DecodeJpeg(jpeg, 0, 0));
}

TEST(JpegDecoder, DataThatIsNoJpegGivesNothing)
{
    EXPECT_FALSE(DecodeJpeg({}, 0, 0));
    std::mt19937 random(20240);
    Bytes noise(65536);
    for (std::uint8_t& byte : noise)
        byte = static_cast<std::uint8_t>(random() >> 24);
    EXPECT_FALSE(DecodeJpeg(noise, 1280, 1024));
    noise[0] = 0xFF;
    noise[1] = 0xD8;
    EXPECT_FALSE(DecodeJpeg(noise, 1280, 1024));
    EXPECT_FALSE(DecodeJpeg(Bytes{0xFF, 0xD8, 0xFF, 0xD9}, 0, 0));
}

TEST(JpegDecoder, HugeClaimedSizeWithoutItsDataIsRefusedQuickly)
{
    const Picture red{32, 32, JCS_RGB, {{{255, 0, 0, 0}, {255, 0, 0, 0}, {255, 0, 0, 0}, {255, 0, 0, 0}}}};
    const Bytes huge = WithClaimedSize(Encode(red), 0xC0, 20000, 20000);
    // At 1/8 the 2500x2500 output fits small limits, but the data ends after 32x32 pixels: the
    // decoding stops there instead of filling six million pixels with grey.
    JpegLimits small;
    small.maxDecoderMemory = 4u << 20;
    EXPECT_FALSE(DecodeJpeg(huge, 1280, 1024, small));
    // At full size it would be 400 million pixels: refused before any pixel is allocated.
    EXPECT_FALSE(DecodeJpeg(huge, 0, 0));
}

TEST(JpegDecoder, ProgressiveFileOverTheLimitsIsRefused)
{
    // Progressive decoding keeps every coefficient: 20000x20000 would take over a gigabyte.
    const Bytes huge = WithClaimedSize(Encode(RgbQuadrants(16, 16), {.progressive = true}), 0xC2, 20000, 20000);
    EXPECT_FALSE(DecodeJpeg(huge, 1280, 1024));

    const Bytes progressive = Encode(RgbQuadrants(512, 512), {.progressive = true});
    const std::optional<DecodedImage> image = DecodeJpeg(progressive, 256, 256);
    ASSERT_TRUE(image);
    ExpectQuadrants(*image, kRgbQuadrants);
    JpegLimits limits;
    limits.maxDecoderMemory = 256u << 10;  // its coefficients take about 768 KB
    EXPECT_FALSE(DecodeJpeg(progressive, 256, 256, limits));
    limits = {};
    limits.maxScans = 2;
    EXPECT_FALSE(DecodeJpeg(progressive, 256, 256, limits));
}

}  // namespace
}  // namespace vardex
