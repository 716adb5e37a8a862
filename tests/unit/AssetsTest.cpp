// Checks the files the asset generator writes, as Windows and the lock service will read them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace vardex {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadAsset(const char* name)
{
    const std::filesystem::path path = std::filesystem::path(VARDEX_ASSETS_DIR) / name;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot open " + path.string());
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t Le(const Bytes& bytes, std::size_t at, std::size_t width)
{
    if (at + width > bytes.size()) {
        throw std::runtime_error("read past the end at " + std::to_string(at));
    }
    std::uint32_t value = 0;
    for (std::size_t i = width; i-- > 0;) {
        value = value << 8 | bytes[at + i];
    }
    return value;
}

std::uint32_t U16(const Bytes& bytes, std::size_t at) { return Le(bytes, at, 2); }
std::uint32_t U32(const Bytes& bytes, std::size_t at) { return Le(bytes, at, 4); }
std::string Tag(const Bytes& bytes, std::size_t at)
{
    Le(bytes, at, 4);
    return {bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin() + static_cast<std::ptrdiff_t>(at + 4)};
}

// ---- Icons

struct Pixel {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 0;  // the alpha channel of 32-bit images, 255 for paletted ones
    bool clear = false;  // AND mask bit
};

struct IconImage {
    unsigned size = 0;
    unsigned bitCount = 0;
    unsigned colourCount = 0;  // the directory entry's
    std::size_t paletteEntries = 0;
    std::vector<Pixel> pixels;  // top row first

    const Pixel& At(unsigned x, unsigned y) const { return pixels[y * size + x]; }
};

// Reads the directory and every image the way the system does, insisting that each image's
// byte count covers its header, palette, colour bitmap and AND mask exactly.
std::vector<IconImage> ReadIco(const Bytes& file)
{
    if (U16(file, 0) != 0 || U16(file, 2) != 1) {
        throw std::runtime_error("not an icon file");
    }
    std::vector<IconImage> images;
    const std::uint32_t count = U16(file, 4);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t entry = 6 + 16 * static_cast<std::size_t>(i);
        IconImage image;
        const unsigned width = file.at(entry) == 0 ? 256 : file.at(entry);
        const unsigned height = file.at(entry + 1) == 0 ? 256 : file.at(entry + 1);
        if (width != height) {
            throw std::runtime_error("icon image is not square");
        }
        image.size = width;
        image.colourCount = file.at(entry + 2);
        image.bitCount = U16(file, entry + 6);
        const std::size_t bytes = U32(file, entry + 8);
        const std::size_t offset = U32(file, entry + 12);
        if (offset + bytes > file.size()) {
            throw std::runtime_error("icon image lies outside the file");
        }

        if (U32(file, offset) != 40 || U32(file, offset + 4) != width || U32(file, offset + 8) != 2 * height ||
            U16(file, offset + 12) != 1 || U16(file, offset + 14) != image.bitCount || U32(file, offset + 16) != 0) {
            throw std::runtime_error("icon image header does not match its directory entry");
        }
        const std::uint32_t coloursUsed = U32(file, offset + 32);
        image.paletteEntries = image.bitCount <= 8 ? (coloursUsed != 0 ? coloursUsed : 1u << image.bitCount) : 0;
        const std::size_t xorStride = (width * image.bitCount + 31) / 32 * 4;
        const std::size_t andStride = (width + 31) / 32 * 4;
        if (bytes != 40 + image.paletteEntries * 4 + (xorStride + andStride) * height) {
            throw std::runtime_error("icon image size leaves out part of palette, bitmap or mask");
        }

        const std::size_t palette = offset + 40;
        const std::size_t xorBits = palette + image.paletteEntries * 4;
        const std::size_t andBits = xorBits + xorStride * height;
        image.pixels.resize(static_cast<std::size_t>(width) * height);
        for (unsigned y = 0; y < height; ++y) {
            const std::size_t row = height - 1 - y;  // stored bottom row first
            for (unsigned x = 0; x < width; ++x) {
                Pixel& pixel = image.pixels[y * width + x];
                if (image.bitCount == 4) {
                    const std::uint8_t pair = file.at(xorBits + row * xorStride + x / 2);
                    const unsigned index = x % 2 == 0 ? pair >> 4 : pair & 0x0Fu;
                    if (index >= image.paletteEntries) {
                        throw std::runtime_error("palette index out of range");
                    }
                    const std::size_t colour = palette + index * 4;
                    pixel = {file.at(colour + 2), file.at(colour + 1), file.at(colour), 255, false};
                } else if (image.bitCount == 32) {
                    const std::size_t at = xorBits + row * xorStride + x * 4;
                    pixel = {file.at(at + 2), file.at(at + 1), file.at(at), file.at(at + 3), false};
                } else {
                    throw std::runtime_error("unexpected bit depth " + std::to_string(image.bitCount));
                }
                pixel.clear = (file.at(andBits + row * andStride + x / 8) & (0x80u >> (x % 8))) != 0;
            }
        }
        images.push_back(std::move(image));
    }
    return images;
}

bool IsGreen(const Pixel& p) { return !p.clear && p.g > p.r + 60 && p.g > p.b + 60; }
bool IsRed(const Pixel& p) { return !p.clear && p.r > p.g + 60 && p.r > p.b + 60; }

template <class Predicate>
bool Any(const IconImage& image, Predicate predicate)
{
    return std::any_of(image.pixels.begin(), image.pixels.end(), predicate);
}

std::vector<bool> Silhouette(const IconImage& image)
{
    std::vector<bool> clear;
    for (const Pixel& p : image.pixels) {
        clear.push_back(p.clear);
    }
    return clear;
}

IconImage OnlyMenuImage(const char* name)
{
    const auto images = ReadIco(ReadAsset(name));
    if (images.size() != 1) {
        throw std::runtime_error(std::string(name) + " should hold one image");
    }
    return images.front();
}

TEST(Assets, TrayIconIsASixteenColourPadlockAt16And32Pixels)
{
    const auto images = ReadIco(ReadAsset("vardex.ico"));
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].size + images[1].size, 48u) << "want one 16 and one 32 pixel image";
    EXPECT_NE(images[0].size, images[1].size);
    for (const IconImage& image : images) {
        SCOPED_TRACE(image.size);
        EXPECT_EQ(image.bitCount, 4u);
        EXPECT_EQ(image.colourCount, 16u);
        EXPECT_EQ(image.paletteEntries, 16u);
        // Corners are see-through, the middle of the body is not.
        EXPECT_TRUE(image.At(0, 0).clear);
        EXPECT_TRUE(image.At(image.size - 1, image.size - 1).clear);
        EXPECT_FALSE(image.At(image.size / 2, image.size * 3 / 4).clear);
        EXPECT_TRUE(Any(image, IsGreen)) << "no green bands";
        // Where the mask lets the screen through, the colour bitmap is XORed onto it: it must
        // be black there or the icon's surroundings get tinted.
        for (const Pixel& p : image.pixels) {
            if (p.clear) {
                ASSERT_EQ(p.r | p.g | p.b, 0);
            }
        }
    }
}

TEST(Assets, MenuIconsAre16PixelsWithAlphaThatAgreesWithTheMask)
{
    for (const char* name : {"lock.ico", "lockstandby.ico", "configure.ico"}) {
        SCOPED_TRACE(name);
        const IconImage image = OnlyMenuImage(name);
        EXPECT_EQ(image.size, 16u);
        EXPECT_EQ(image.bitCount, 32u);
        EXPECT_EQ(image.colourCount, 0u);
        EXPECT_TRUE(Any(image, [](const Pixel& p) { return p.a == 0; }));
        EXPECT_TRUE(Any(image, [](const Pixel& p) { return p.a == 255; }));
        // Older drawing paths use the mask instead of alpha; both must tell the same shape.
        for (const Pixel& p : image.pixels) {
            ASSERT_EQ(p.clear, p.a == 0);
        }
    }
}

TEST(Assets, StandbyIconIsTheGreyPadlockWithRedBands)
{
    const IconImage lock = OnlyMenuImage("lock.ico");
    const IconImage standby = OnlyMenuImage("lockstandby.ico");
    const IconImage configure = OnlyMenuImage("configure.ico");
    EXPECT_EQ(Silhouette(lock), Silhouette(standby));
    EXPECT_NE(Silhouette(lock), Silhouette(configure));
    EXPECT_TRUE(Any(standby, IsRed));
    EXPECT_FALSE(Any(lock, [](const Pixel& p) {
        return !p.clear && std::max({p.r, p.g, p.b}) - std::min({p.r, p.g, p.b}) > 40;
    })) << "the plain padlock should be grey";
}

TEST(Assets, WindowIconsAreDistinct32BitPicturesAtEverySizeTheWindowAsksFor)
{
    const std::vector<unsigned> node{16, 20, 24, 32, 40, 48};
    const std::vector<unsigned> action{16, 20, 24};
    struct Expected {
        const char* name;
        const std::vector<unsigned>& sizes;
    };
    const Expected icons[] = {
        {"node_program.ico", node},       {"node_options.ico", node},         {"node_settings.ico", node},
        {"node_appearance.ico", node},    {"node_users.ico", node},           {"node_current_user.ico", node},
        {"node_other_user.ico", node},    {"node_statistics.ico", node},      {"node_log_line.ico", node},
        {"action_apply.ico", action},     {"action_cancel.ico", action},      {"action_expand.ico", action},
        {"action_collapse.ico", action},  {"action_back.ico", action},        {"action_open.ico", action},
        {"action_home.ico", action},      {"action_products.ico", action},    {"action_contact.ico", action},
        {"action_contents.ico", action},  {"action_exit.ico", action},        {"action_about.ico", action},
        {"schedule_add.ico", action},     {"schedule_remove.ico", action},    {"schedule_edit.ico", action},
    };
    const auto same = [](const Pixel& a, const Pixel& b) {
        return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
    };
    std::vector<IconImage> smallest;
    for (const Expected& expected : icons) {
        SCOPED_TRACE(expected.name);
        const auto images = ReadIco(ReadAsset(expected.name));
        std::vector<unsigned> sizes;
        for (const IconImage& image : images) {
            sizes.push_back(image.size);
        }
        ASSERT_EQ(sizes, expected.sizes);
        for (const IconImage& image : images) {
            SCOPED_TRACE(image.size);
            EXPECT_EQ(image.bitCount, 32u);
            EXPECT_EQ(image.colourCount, 0u);
            for (const Pixel& p : image.pixels) {
                ASSERT_EQ(p.clear, p.a == 0);
            }
            // A shape on a clear ground, neither blank nor a filled square nor a speck.
            const auto opaque =
                std::count_if(image.pixels.begin(), image.pixels.end(), [](const Pixel& p) { return p.a == 255; });
            EXPECT_TRUE(Any(image, [](const Pixel& p) { return p.a == 0; }));
            EXPECT_GT(static_cast<std::size_t>(opaque) * 16, image.pixels.size()) << "hardly anything drawn";
        }
        for (const IconImage& other : smallest) {
            EXPECT_FALSE(std::equal(other.pixels.begin(), other.pixels.end(), images.front().pixels.begin(), same))
                << "the same picture as an earlier icon";
        }
        smallest.push_back(images.front());
    }
}

// ---- Alarm sound

TEST(Assets, AlarmIsShortMonoPcmThatIsAudibleAndDoesNotClip)
{
    const Bytes file = ReadAsset("alarm.wav");
    ASSERT_EQ(Tag(file, 0), "RIFF");
    EXPECT_EQ(U32(file, 4), file.size() - 8);
    ASSERT_EQ(Tag(file, 8), "WAVE");

    std::size_t format = 0;
    std::size_t data = 0;
    std::size_t dataBytes = 0;
    for (std::size_t chunk = 12; chunk + 8 <= file.size();) {
        const std::size_t length = U32(file, chunk + 4);
        ASSERT_LE(chunk + 8 + length, file.size()) << Tag(file, chunk) << " chunk runs past the end";
        if (Tag(file, chunk) == "fmt ") {
            format = chunk + 8;
        } else if (Tag(file, chunk) == "data") {
            data = chunk + 8;
            dataBytes = length;
        }
        chunk += 8 + length + length % 2;
    }
    ASSERT_NE(format, 0u);
    ASSERT_NE(data, 0u);

    EXPECT_EQ(U16(file, format), 1u);  // PCM
    EXPECT_EQ(U16(file, format + 2), 1u);
    const std::uint32_t rate = U32(file, format + 4);
    EXPECT_TRUE(rate == 22050 || rate == 44100) << rate;
    EXPECT_EQ(U32(file, format + 8), rate * 2);
    EXPECT_EQ(U16(file, format + 12), 2u);
    EXPECT_EQ(U16(file, format + 14), 16u);
    ASSERT_EQ(dataBytes % 2, 0u);

    std::vector<int> samples;
    for (std::size_t at = data; at < data + dataBytes; at += 2) {
        samples.push_back(static_cast<std::int16_t>(U16(file, at)));
    }
    const double seconds = static_cast<double>(samples.size()) / rate;
    EXPECT_GE(seconds, 1.0);
    EXPECT_LE(seconds, 1.5);

    int peak = 0;
    for (int s : samples) {
        peak = std::max(peak, s < 0 ? -s : s);
    }
    EXPECT_GT(peak, 8000) << "too quiet to be heard";
    EXPECT_LT(peak, 32000) << "clips";
    // It fades in and out rather than starting or stopping mid-wave, which would click.
    EXPECT_LT(std::abs(samples.front()), 500);
    EXPECT_LT(std::abs(samples.back()), 500);
}

// ---- Background picture

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    std::array<char, JMSG_LENGTH_MAX> message;
};

[[noreturn]] void OnJpegError(j_common_ptr info)
{
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    info->err->format_message(info, errors->message.data());
    std::longjmp(errors->jump, 1);
}

struct DecodedJpeg {
    unsigned width = 0;
    unsigned height = 0;
    int components = 0;
    Bytes pixels;
    std::string error;
};

// libjpeg reports errors by a call that must not return; it jumps back here. Nothing with a
// destructor is created between setjmp and the library's calls.
DecodedJpeg DecodeJpeg(const Bytes& file)
{
    DecodedJpeg result;
    jpeg_decompress_struct info{};
    JpegErrors errors{};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = OnJpegError;
    if (setjmp(errors.jump) != 0) {
        result.error = errors.message.data();
        jpeg_destroy_decompress(&info);
        return result;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), file.size());
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    result.width = info.output_width;
    result.height = info.output_height;
    result.components = info.output_components;
    const std::size_t stride = static_cast<std::size_t>(info.output_width) * static_cast<std::size_t>(info.output_components);
    result.pixels.resize(stride * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = result.pixels.data() + info.output_scanline * stride;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return result;
}

TEST(Assets, BackgroundIsAFullHdColourPictureNotAFlatFill)
{
    const DecodedJpeg picture = DecodeJpeg(ReadAsset("scrlogo.jpg"));
    ASSERT_EQ(picture.error, "");
    EXPECT_EQ(picture.width, 1920u);
    EXPECT_EQ(picture.height, 1080u);
    ASSERT_EQ(picture.components, 3);
    const auto [darkest, lightest] = std::minmax_element(picture.pixels.begin(), picture.pixels.end());
    EXPECT_GT(*lightest - *darkest, 100);
}

}  // namespace
}  // namespace vardex
