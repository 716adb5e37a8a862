#include "Icons.h"

#include <array>
#include <stdexcept>
#include <string>

#include "ByteWriter.h"

namespace vardex::assets {
namespace {

constexpr Rgba kClear{0, 0, 0, 0};
constexpr Rgba kOutline{34, 40, 48};

// Padlock legend: '.' clear, '#' outline, shackle S/s/z (light to dark), body B/b/d, the bands
// G/g/h and the keyhole k. Only the band colours differ between the padlock icons.
struct BandColours {
    Rgba light;
    Rgba mid;
    Rgba dark;
};

std::array<Ink, 12> PadlockInks(const BandColours& bands)
{
    return {{{'.', kClear},
             {'#', kOutline},
             {'S', {236, 240, 244}},
             {'s', {180, 188, 198}},
             {'z', {120, 128, 140}},
             {'B', {214, 220, 228}},
             {'b', {168, 176, 188}},
             {'d', {118, 126, 140}},
             {'G', bands.light},
             {'g', bands.mid},
             {'h', bands.dark},
             {'k', {24, 28, 34}}}};
}

constexpr BandColours kGreenBands{{118, 222, 110}, {48, 172, 72}, {22, 112, 46}};
constexpr BandColours kRedBands{{255, 128, 112}, {222, 56, 48}, {150, 28, 28}};
// The plain menu padlock: bands in the body's own grey, so none show.
constexpr BandColours kNoBands{{168, 176, 188}, {168, 176, 188}, {168, 176, 188}};

constexpr std::array<std::string_view, 16> kPadlock16{
    "................",
    "......####......",
    ".....#SSSs#.....",
    "....#S####z#....",
    "....#S#..#z#....",
    "....#S#..#z#....",
    "..############..",
    "..#BBBBBBBBBB#..",
    "..#GGGGGGGGGG#..",
    "..#hhhhhhhhhh#..",
    "..#bbbbkkbbbb#..",
    "..#bbbbkkbbbb#..",
    "..#GGGGGGGGGG#..",
    "..#hhhhhhhhhh#..",
    "..############..",
    "................",
};

constexpr std::array<std::string_view, 32> kPadlock32{
    "................................",
    "................................",
    "...........##########...........",
    ".........##SSSSSSSSss##.........",
    "........#SSSSSSSSSSSsss#........",
    ".......#SSSSSSSSSSSSsszz#.......",
    ".......#SSSSS######ssszz#.......",
    ".......#SSss#......#sszz#.......",
    ".......#SSss#......#sszz#.......",
    ".......#SSss#......#sszz#.......",
    ".......#SSss#......#sszz#.......",
    ".......#SSss#......#sszz#.......",
    ".......#SSss#......#sszz#.......",
    ".......#SSss#......#sszz#.......",
    "....########################....",
    "...#BBBBBBBBBBBBBBBBBBBBBBBB#...",
    "...#GGGGGGGGGGGGGGGGGGGGGGGG#...",
    "...#gggggggggggggggggggggggg#...",
    "...#hhhhhhhhhhhhhhhhhhhhhhhh#...",
    "...#bbbbbbbbbbbbbbbbbbbbbbbb#...",
    "...#bbbbbbbbbbkkkkbbbbbbbbbb#...",
    "...#bbbbbbbbbbkkkkbbbbbbbbbb#...",
    "...#bbbbbbbbbbbkkbbbbbbbbbbb#...",
    "...#bbbbbbbbbbbkkbbbbbbbbbbb#...",
    "...#bbbbbbbbbbbbbbbbbbbbbbbb#...",
    "...#GGGGGGGGGGGGGGGGGGGGGGGG#...",
    "...#gggggggggggggggggggggggg#...",
    "...#hhhhhhhhhhhhhhhhhhhhhhhh#...",
    "...#dddddddddddddddddddddddd#...",
    "....########################....",
    "................................",
    "................................",
};

// Window ('t'/'T' title bar, 'W' client area) with a cogwheel ('C') over its lower right corner.
constexpr std::array<Ink, 6> kWindowInks{{{'.', kClear},
                                          {'#', kOutline},
                                          {'t', {120, 170, 235}},
                                          {'T', {64, 120, 200}},
                                          {'W', {250, 250, 252}},
                                          {'C', {150, 158, 170}}}};

constexpr std::array<std::string_view, 16> kWindowWithCog16{
    "................",
    "##############..",
    "#tttttttttttt#..",
    "#TTTTTTTTTTTT#..",
    "##############..",
    "#WWWWW###CC###..",
    "#WWWW#CC#CC#CC#.",
    "#WWWW#CCCCCCCC#.",
    "#WWWW##CCCCCC##.",
    "#WWW#CCCC##CCCC#",
    "#WWW#CCCC##CCCC#",
    "#WWWW##CCCCCC##.",
    "#WWWW#CCCCCCCC#.",
    "######CC#CC#CC#.",
    "......###CC###..",
    ".........##.....",
};

// One image of an icon file as the encoder needs it: every pixel's colour, and for the 4-bit
// form also the picture it was painted as (palette and indices).
struct DibSource {
    int size = 0;
    const Picture* paletted = nullptr;
    std::vector<Rgba> colours;  // top row first
};

DibSource FromEntry(const IconEntry& entry)
{
    DibSource source{entry.picture.size, entry.depth == IconDepth::Paletted4 ? &entry.picture : nullptr, {}};
    for (std::uint8_t index : entry.picture.pixels) {
        source.colours.push_back(entry.picture.palette.at(index));
    }
    return source;
}

void CheckPalette(const Picture& picture)
{
    if (picture.palette.size() > 16) {
        throw std::runtime_error("a 4-bit icon takes at most 16 colours");
    }
    for (const Rgba& colour : picture.palette) {
        if (colour.a != 0 && colour.a != 255) {
            throw std::runtime_error("a 4-bit icon has no partial transparency");
        }
    }
    // Clear pixels are stored as index 0, which must therefore be the clear entry.
    if (!picture.palette.empty() && picture.palette[0].a != 0) {
        throw std::runtime_error("a 4-bit icon's first colour must be the clear one");
    }
}

std::vector<std::uint8_t> EncodeDib(const DibSource& source)
{
    const auto side = static_cast<std::size_t>(source.size);
    if (source.colours.size() != side * side) {
        throw std::logic_error("icon image size does not match its pixels");
    }
    const Picture* const picture = source.paletted;
    const std::size_t bits = picture != nullptr ? 4 : 32;
    const std::size_t xorStride = (side * bits + 31) / 32 * 4;
    const std::size_t andStride = (side + 31) / 32 * 4;
    const std::size_t paletteBytes = picture != nullptr ? 16 * 4 : 0;
    const std::size_t imageBytes = (xorStride + andStride) * side;
    if (picture != nullptr) {
        CheckPalette(*picture);
    }

    const auto colourAt = [&](std::size_t x, std::size_t y) -> const Rgba& { return source.colours[y * side + x]; };

    ByteWriter out;
    // BITMAPINFOHEADER; the height counts the colour bitmap and the AND mask together.
    out.U32(40);
    out.I32(source.size);
    out.I32(source.size * 2);
    out.U16(1);
    out.U16(static_cast<std::uint16_t>(bits));
    out.U32(0);
    out.U32(static_cast<std::uint32_t>(imageBytes));
    out.I32(0);
    out.I32(0);
    out.U32(0);
    out.U32(0);

    if (picture != nullptr) {
        // Clear pixels must be black in the colour bitmap, or they would tint the screen
        // where the AND mask lets it through.
        for (std::size_t i = 0; i < 16; ++i) {
            const Rgba colour = i < picture->palette.size() && picture->palette[i].a != 0 ? picture->palette[i] : kClear;
            out.U8(colour.b);
            out.U8(colour.g);
            out.U8(colour.r);
            out.U8(0);
        }
    }

    // Both bitmaps are stored bottom row first.
    for (std::size_t row = 0; row < side; ++row) {
        const std::size_t y = side - 1 - row;
        std::vector<std::uint8_t> line(xorStride, 0);
        for (std::size_t x = 0; x < side; ++x) {
            const Rgba& colour = colourAt(x, y);
            if (colour.a == 0) {
                continue;  // black, and clear in 32 bits
            }
            if (picture != nullptr) {
                const auto index = static_cast<unsigned>(picture->pixels[y * side + x]);
                line[x / 2] = static_cast<std::uint8_t>(line[x / 2] | (x % 2 == 0 ? index << 4 : index));
            } else {
                line[x * 4] = colour.b;
                line[x * 4 + 1] = colour.g;
                line[x * 4 + 2] = colour.r;
                line[x * 4 + 3] = colour.a;
            }
        }
        out.Append(line);
    }
    for (std::size_t row = 0; row < side; ++row) {
        const std::size_t y = side - 1 - row;
        std::vector<std::uint8_t> mask(andStride, 0);
        for (std::size_t x = 0; x < side; ++x) {
            if (colourAt(x, y).a == 0) {
                mask[x / 8] = static_cast<std::uint8_t>(mask[x / 8] | (0x80u >> (x % 8)));
            }
        }
        out.Append(mask);
    }

    if (out.Size() != 40 + paletteBytes + imageBytes) {
        throw std::logic_error("icon image size mismatch");
    }
    return out.Take();
}

std::vector<std::uint8_t> EncodeImages(std::span<const DibSource> sources)
{
    std::vector<std::vector<std::uint8_t>> images;
    for (const DibSource& source : sources) {
        if (source.size < 1 || source.size > 256) {
            throw std::runtime_error("icon sizes run from 1 to 256 pixels");
        }
        images.push_back(EncodeDib(source));
    }

    ByteWriter out;
    out.U16(0);
    out.U16(1);  // icon, not cursor
    out.U16(static_cast<std::uint16_t>(sources.size()));
    std::size_t offset = 6 + 16 * sources.size();
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const int size = sources[i].size;
        const bool paletted = sources[i].paletted != nullptr;
        out.U8(static_cast<std::uint8_t>(size == 256 ? 0 : size));  // 0 stands for 256
        out.U8(static_cast<std::uint8_t>(size == 256 ? 0 : size));
        out.U8(paletted ? 16 : 0);
        out.U8(0);
        out.U16(1);
        out.U16(paletted ? 4 : 32);
        out.U32(static_cast<std::uint32_t>(images[i].size()));
        out.U32(static_cast<std::uint32_t>(offset));
        offset += images[i].size();
    }
    for (const auto& image : images) {
        out.Append(image);
    }
    return out.Take();
}

std::vector<std::uint8_t> SingleMenuIcon(std::span<const std::string_view> rows, std::span<const Ink> legend)
{
    const std::array<IconEntry, 1> entries{{{Paint(rows, legend), IconDepth::Argb32}}};
    return EncodeIco(entries);
}

}  // namespace

Picture Paint(std::span<const std::string_view> rows, std::span<const Ink> legend)
{
    if (legend.size() > 256) {
        throw std::runtime_error("legend too long for 8-bit palette indices");
    }
    Picture picture;
    picture.size = static_cast<int>(rows.size());
    for (const Ink& ink : legend) {
        picture.palette.push_back(ink.colour);
    }
    for (std::size_t y = 0; y < rows.size(); ++y) {
        if (rows[y].size() != rows.size()) {
            throw std::runtime_error("art row " + std::to_string(y) + " is not " + std::to_string(rows.size()) + " wide");
        }
        for (char symbol : rows[y]) {
            std::size_t index = 0;
            while (index < legend.size() && legend[index].symbol != symbol) {
                ++index;
            }
            if (index == legend.size()) {
                throw std::runtime_error(std::string("art row ") + std::to_string(y) + " uses '" + symbol + "', not in the legend");
            }
            picture.pixels.push_back(static_cast<std::uint8_t>(index));
        }
    }
    return picture;
}

std::vector<std::uint8_t> EncodeIco(std::span<const IconEntry> entries)
{
    std::vector<DibSource> sources;
    for (const IconEntry& entry : entries) {
        sources.push_back(FromEntry(entry));
    }
    return EncodeImages(sources);
}

std::vector<std::uint8_t> EncodeIco(std::span<const Bitmap> images)
{
    std::vector<DibSource> sources;
    for (const Bitmap& image : images) {
        sources.push_back({image.size, nullptr, image.pixels});
    }
    return EncodeImages(sources);
}

std::vector<std::uint8_t> TrayIcon()
{
    const auto inks = PadlockInks(kGreenBands);
    const std::array<IconEntry, 2> entries{{{Paint(kPadlock16, inks), IconDepth::Paletted4},
                                            {Paint(kPadlock32, inks), IconDepth::Paletted4}}};
    return EncodeIco(entries);
}

std::vector<std::uint8_t> MenuLockIcon()
{
    return SingleMenuIcon(kPadlock16, PadlockInks(kNoBands));
}

std::vector<std::uint8_t> MenuStandbyIcon()
{
    return SingleMenuIcon(kPadlock16, PadlockInks(kRedBands));
}

std::vector<std::uint8_t> MenuConfigureIcon()
{
    return SingleMenuIcon(kWindowWithCog16, kWindowInks);
}

}  // namespace vardex::assets
