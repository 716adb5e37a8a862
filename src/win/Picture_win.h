#pragma once
// The lock screen's background picture: JPEG through our decoder (scaled near the screen's size),
// BMP, ICO, WMF, EMF and GIF through the system's picture loader; painted stretched.
#include "common/JpegDecoder.h"

#include <windows.h>

#include <optional>
#include <string>

namespace vardex {

// The picture, or nothing when the file is missing, not of a known kind or not readable as one.
std::optional<DecodedImage> LoadBackgroundPicture(const std::string& path, int targetWidth, int targetHeight) noexcept;

// Paints the picture stretched over the rectangle.
void PaintPicture(HDC dc, const DecodedImage& picture, const RECT& area) noexcept;
// The same picture stretched to area, but only the part of it inside part is drawn, and only the
// picture's rows and columns under it are read: a small piece of a large picture costs little.
// The program's own picture carries no text: its title is drawn over it, smooth at any size,
// where the picture leaves room for it below the padlock (area: where the picture is stretched).
void PaintProgramTitle(HDC dc, const RECT& area) noexcept;
void PaintPicturePart(HDC dc, const DecodedImage& picture, const RECT& area, const RECT& part) noexcept;

}  // namespace vardex
