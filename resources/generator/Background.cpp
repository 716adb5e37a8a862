#include "Background.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>

#include <jpeglib.h>

#include "Raster.h"

namespace vardex::assets {
namespace {

struct Colour {
    float r = 0;
    float g = 0;
    float b = 0;
};

Colour Mix(Colour from, Colour to, float t)
{
    return {from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t, from.b + (to.b - from.b) * t};
}

struct Bounds {
    float left = 0;
    float top = 0;
    float right = 0;
    float bottom = 0;
};

class Canvas {
public:
    Canvas(int width, int height)
        : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    {
    }

    int Width() const { return width_; }
    int Height() const { return height_; }

    template <class Paint>
    void Cover(Paint paint)
    {
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                At(x, y) = paint(Point{static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f});
            }
        }
    }

    // Blends `paint` over the pixels inside `distance`, with edges `soft` pixels wide.
    template <class Distance, class Paint>
    void Fill(Bounds bounds, Distance distance, Paint paint, float soft = 1.0f, float opacity = 1.0f)
    {
        const int left = std::max(0, static_cast<int>(std::floor(bounds.left - soft)));
        const int top = std::max(0, static_cast<int>(std::floor(bounds.top - soft)));
        const int right = std::min(width_, static_cast<int>(std::ceil(bounds.right + soft)) + 1);
        const int bottom = std::min(height_, static_cast<int>(std::ceil(bounds.bottom + soft)) + 1);
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                const Point p{static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f};
                float t = std::clamp(0.5f - distance(p) / soft, 0.0f, 1.0f);
                if (t <= 0.0f) {
                    continue;
                }
                if (soft > 1.0f) {
                    t = t * t * (3.0f - 2.0f * t);
                }
                At(x, y) = Mix(At(x, y), paint(p), t * opacity);
            }
        }
    }

    // Rounded to bytes with a little noise, so the long gentle gradients do not band.
    RgbImage ToImage() const
    {
        RgbImage image{width_, height_, {}};
        image.rgb.reserve(pixels_.size() * 3);
        std::uint32_t state = 0x9E3779B9u;
        const auto noise = [&state] {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            return static_cast<float>(state & 0xFFFFu) / 65535.0f - 0.5f;
        };
        const auto channel = [&](float value) {
            return static_cast<std::uint8_t>(std::clamp(std::lround(value + noise()), 0L, 255L));
        };
        for (const Colour& c : pixels_) {
            image.rgb.push_back(channel(c.r));
            image.rgb.push_back(channel(c.g));
            image.rgb.push_back(channel(c.b));
        }
        return image;
    }

private:
    Colour& At(int x, int y)
    {
        return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)];
    }

    int width_;
    int height_;
    std::vector<Colour> pixels_;
};


}  // namespace

RgbImage DrawLockScreen(int width, int height)
{
    if (width < 16 || height < 16) {
        throw std::runtime_error("background too small");
    }
    Canvas canvas(width, height);
    const float u = static_cast<float>(height) / 1080.0f;  // the layout is made for 1080 lines
    const float cx = static_cast<float>(width) / 2.0f;

    // Backdrop: dark blue-grey, lighter towards the top, with a faint glow behind the emblem.
    const Colour skyTop{48, 60, 78};
    const Colour skyBottom{17, 21, 29};
    const Colour glow{22, 28, 36};
    const Point glowCentre{cx, 440 * u};
    const float glowRadius = 760 * u;
    canvas.Cover([&](Point p) {
        Colour c = Mix(skyTop, skyBottom, p.y / static_cast<float>(height));
        const float falloff = std::max(0.0f, 1.0f - std::hypot(p.x - glowCentre.x, p.y - glowCentre.y) / glowRadius);
        const float g = falloff * falloff;
        return Colour{c.r + glow.r * g, c.g + glow.g * g, c.b + glow.b * g};
    });

    // Padlock emblem.
    const Point shackleCentre{cx, 348 * u};
    const float shackleRadius = 106 * u;  // to the middle of the bar
    const float shackleHalfWidth = 21 * u;
    const float shackleBottom = 430 * u;
    const auto shackle = [=](Point p) {
        float d;
        if (p.y < shackleCentre.y) {
            d = std::abs(std::hypot(p.x - shackleCentre.x, p.y - shackleCentre.y) - shackleRadius);
        } else {
            const float dx = std::abs(std::abs(p.x - shackleCentre.x) - shackleRadius);
            const float dy = std::max(0.0f, p.y - shackleBottom);
            d = std::hypot(dx, dy);
        }
        return d - shackleHalfWidth;
    };
    const Bounds shackleBounds{cx - shackleRadius - shackleHalfWidth, shackleCentre.y - shackleRadius - shackleHalfWidth,
                               cx + shackleRadius + shackleHalfWidth, shackleBottom};

    const Point bodyCentre{cx, 522 * u};
    const Point bodyHalf{182 * u, 138 * u};
    const float bodyRadius = 30 * u;
    const auto body = [=](Point p) { return BoxDistance(p, bodyCentre, bodyHalf, bodyRadius); };
    const Bounds bodyBounds{bodyCentre.x - bodyHalf.x, bodyCentre.y - bodyHalf.y, bodyCentre.x + bodyHalf.x,
                            bodyCentre.y + bodyHalf.y};
    const Bounds emblemBounds{bodyBounds.left, shackleBounds.top, bodyBounds.right, bodyBounds.bottom};

    const float shadowDrop = 22 * u;
    canvas.Fill(
        {emblemBounds.left, emblemBounds.top + shadowDrop, emblemBounds.right, emblemBounds.bottom + shadowDrop},
        [&](Point p) {
            const Point q{p.x, p.y - shadowDrop};
            return std::min(shackle(q), body(q));
        },
        [](Point) { return Colour{4, 6, 10}; }, 34 * u, 0.55f);

    const Colour steelLight{196, 206, 220};
    const Colour steelDark{112, 124, 142};
    canvas.Fill(shackleBounds, shackle, [&](Point p) {
        const float t = (p.x - shackleBounds.left) / (shackleBounds.right - shackleBounds.left);
        return Mix(steelLight, steelDark, t);
    });

    const Colour bodyTop{158, 172, 190};
    const Colour bodyBottom{98, 112, 132};
    canvas.Fill(bodyBounds, body, [&](Point p) {
        return Mix(bodyTop, bodyBottom, (p.y - bodyBounds.top) / (bodyBounds.bottom - bodyBounds.top));
    });
    // A light rim along the top edge, tapering away down the sides, gives the body some depth.
    canvas.Fill(
        bodyBounds,
        [&](Point p) {
            const float fromTop = std::clamp((p.y - bodyBounds.top) / (1.5f * bodyRadius), 0.0f, 1.0f);
            return std::abs(body(p) + 3 * u) - 2.5f * u * (1.0f - fromTop);
        },
        [](Point) { return Colour{214, 224, 236}; }, 1.0f, 0.5f);

    // The green bands of the tray icon, across the body.
    const Colour bandLight{104, 196, 140};
    const Colour bandDark{52, 138, 92};
    for (const float bandY : {440 * u, 604 * u}) {
        const float half = 16 * u;
        canvas.Fill(
            {bodyBounds.left, bandY - half, bodyBounds.right, bandY + half},
            [&](Point p) { return std::max(std::abs(p.y - bandY) - half, body(p)); },
            [&](Point p) { return Mix(bandLight, bandDark, (p.y - (bandY - half)) / (2 * half)); });
    }

    const Point keyholeCentre{cx, 506 * u};
    const float keyholeRadius = 28 * u;
    const Point stemCentre{cx, 552 * u};
    const Point stemHalf{12 * u, 36 * u};
    canvas.Fill(
        {cx - keyholeRadius, keyholeCentre.y - keyholeRadius, cx + keyholeRadius, stemCentre.y + stemHalf.y},
        [&](Point p) {
            return std::min(CircleDistance(p, keyholeCentre, keyholeRadius), BoxDistance(p, stemCentre, stemHalf, 6 * u));
        },
        [](Point) { return Colour{26, 32, 42}; });

    // The title is not drawn into the picture: the lock screen draws it as text, smooth at
    // every size.
    return canvas.ToImage();
}

std::vector<std::uint8_t> EncodeJpeg(const RgbImage& image, int quality)
{
    if (image.rgb.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3) {
        throw std::runtime_error("image size does not match its pixels");
    }
    // libjpeg's default error handler prints the message and exits, which is what a build
    // tool should do anyway.
    jpeg_compress_struct compressor{};
    jpeg_error_mgr errors{};
    compressor.err = jpeg_std_error(&errors);
    jpeg_create_compress(&compressor);

    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&compressor, &buffer, &size);
    compressor.image_width = static_cast<JDIMENSION>(image.width);
    compressor.image_height = static_cast<JDIMENSION>(image.height);
    compressor.input_components = 3;
    compressor.in_color_space = JCS_RGB;
    jpeg_set_defaults(&compressor);
    jpeg_set_quality(&compressor, quality, TRUE);
    compressor.optimize_coding = TRUE;

    jpeg_start_compress(&compressor, TRUE);
    const std::size_t stride = static_cast<std::size_t>(image.width) * 3;
    while (compressor.next_scanline < compressor.image_height) {
        // libjpeg takes non-const rows but only reads them.
        auto* row = const_cast<JSAMPLE*>(image.rgb.data() + compressor.next_scanline * stride);
        jpeg_write_scanlines(&compressor, &row, 1);
    }
    jpeg_finish_compress(&compressor);
    jpeg_destroy_compress(&compressor);

    std::vector<std::uint8_t> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

}  // namespace vardex::assets
