#pragma once
// The icons: pixel art with a colour legend, and their encoding as .ico files.
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace vardex::assets {

struct Rgba {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 255;
};

// One legend entry: the character used in the art rows and the colour it stands for.
struct Ink {
    char symbol;
    Rgba colour;
};

// A square picture as palette indices, top row first.
struct Picture {
    int size = 0;
    std::vector<Rgba> palette;
    std::vector<std::uint8_t> pixels;
};

// Rows of the art must be `rows.size()` characters long, each a symbol of the legend; the
// legend's order is the palette's order.
Picture Paint(std::span<const std::string_view> rows, std::span<const Ink> legend);

enum class IconDepth { Paletted4, Argb32 };

struct IconEntry {
    Picture picture;
    IconDepth depth;
};

// A complete .ico file. 4-bit entries take the picture's palette (at most 16 colours, fully
// opaque or fully transparent); 32-bit entries carry straight alpha. Both get an AND mask.
std::vector<std::uint8_t> EncodeIco(std::span<const IconEntry> entries);

// A square picture of any colours with straight alpha, top row first: what is drawn rather
// than painted from a legend.
struct Bitmap {
    int size = 0;
    std::vector<Rgba> pixels;
};

// A complete .ico file of 32-bit images; the AND mask marks the fully clear pixels.
std::vector<std::uint8_t> EncodeIco(std::span<const Bitmap> images);

// The product's icon files.
std::vector<std::uint8_t> TrayIcon();           // green-banded padlock, 16 and 32 pixels, 4-bit
std::vector<std::uint8_t> MenuLockIcon();       // grey padlock, 32-bit
std::vector<std::uint8_t> MenuStandbyIcon();    // the same padlock with red bands
std::vector<std::uint8_t> MenuConfigureIcon();  // window with a cogwheel

}  // namespace vardex::assets
