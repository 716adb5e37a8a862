#include "Picture_win.h"

#include "common/Text.h"
#include "TextConvert_win.h"
#include "UniqueHandle_win.h"

#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vardex {

namespace {

// Larger files are not pictures anyone meant for a lock screen.
constexpr DWORD kMaxFileBytes = 256u << 20;
constexpr std::size_t kMaxPixels = 40u << 20;
constexpr long kHimetricPerInch = 2540;

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path) noexcept
{
    const UniqueFile file(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart <= 0 || size.QuadPart > kMaxFileBytes)
        return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size())
        return std::nullopt;
    return bytes;
}

std::string Extension(const std::string& path)
{
    const size_t dot = path.find_last_of(".\\/");
    if (dot == std::string::npos || path[dot] != '.')
        return {};
    return AsciiLowerCase(path.substr(dot + 1));
}

template <typename T>
struct ComRelease {
    T* object = nullptr;
    ~ComRelease()
    {
        if (object)
            object->Release();
    }
};

// Pictures of the system's loader are drawn once into a 32-bit bitmap: metafiles at the size
// they will be shown, the others at their own pixel size.
std::optional<DecodedImage> RenderSystemPicture(const std::vector<std::uint8_t>& bytes, int targetWidth, int targetHeight)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!memory)
        return std::nullopt;
    std::memcpy(GlobalLock(memory), bytes.data(), bytes.size());
    GlobalUnlock(memory);
    ComRelease<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream.object))) {
        GlobalFree(memory);
        return std::nullopt;
    }
    ComRelease<IPicture> picture;
    if (FAILED(OleLoadPicture(stream.object, static_cast<LONG>(bytes.size()), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(&picture.object))))
        return std::nullopt;
    OLE_XSIZE_HIMETRIC himetricWidth = 0;
    OLE_YSIZE_HIMETRIC himetricHeight = 0;
    SHORT type = PICTYPE_NONE;
    picture.object->get_Width(&himetricWidth);
    picture.object->get_Height(&himetricHeight);
    picture.object->get_Type(&type);
    const bool metafile = type == PICTYPE_METAFILE || type == PICTYPE_ENHMETAFILE;
    const int width = metafile ? targetWidth : MulDiv(himetricWidth, 96, kHimetricPerInch);
    const int height = metafile ? targetHeight : MulDiv(himetricHeight, 96, kHimetricPerInch);
    if (width <= 0 || height <= 0 || static_cast<std::size_t>(width) * static_cast<std::size_t>(height) > kMaxPixels)
        return std::nullopt;

    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
    if (!bitmap || !dc)
        return std::nullopt;
    const SelectedObject selected(dc.Get(), bitmap.Get());
    RECT all{0, 0, width, height};
    FillRect(dc.Get(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    const HRESULT drawn = picture.object->Render(dc.Get(), 0, 0, width, height, 0, himetricHeight, himetricWidth,
                                                 -himetricHeight, nullptr);
    GdiFlush();
    if (!SUCCEEDED(drawn))
        return std::nullopt;
    DecodedImage image;
    image.width = width;
    image.height = height;
    const auto* first = static_cast<const std::uint8_t*>(bits);
    image.pixels.assign(first, first + static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    return image;
}

}  // namespace

std::optional<DecodedImage> LoadBackgroundPicture(const std::string& path, int targetWidth, int targetHeight) noexcept
{
    try {
        const std::string extension = Extension(path);
        const bool jpeg = extension == "jpg" || extension == "jpeg";
        const bool system = extension == "bmp" || extension == "ico" || extension == "wmf" || extension == "emf" ||
                            extension == "gif";
        if (!jpeg && !system)
            return std::nullopt;
        const std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(path);
        if (!bytes)
            return std::nullopt;
        if (jpeg)
            return DecodeJpeg(*bytes, targetWidth, targetHeight);
        return RenderSystemPicture(*bytes, targetWidth, targetHeight);
    } catch (...) {
        return std::nullopt;  // out of memory: a black lock screen, never an open one
    }
}

void PaintPicture(HDC dc, const DecodedImage& picture, const RECT& area) noexcept
{
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), picture.width, -picture.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchDIBits(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, 0, 0, picture.width,
                  picture.height, picture.pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

void PaintPicturePart(HDC dc, const DecodedImage& picture, const RECT& area, const RECT& part) noexcept
{
    RECT piece;
    const int areaWidth = area.right - area.left, areaHeight = area.bottom - area.top;
    if (!IntersectRect(&piece, &area, &part) || areaWidth <= 0 || areaHeight <= 0 || picture.width <= 0 ||
        picture.height <= 0)
        return;
    // The picture's columns and rows under the piece, one more on each side for the filter.
    const auto source = [](int at, int size, int areaSize) { return static_cast<int>(std::int64_t{at} * size / areaSize); };
    const int left = std::max(source(piece.left - area.left, picture.width, areaWidth) - 1, 0);
    const int top = std::max(source(piece.top - area.top, picture.height, areaHeight) - 1, 0);
    const int right = std::min(source(piece.right - area.left, picture.width, areaWidth) + 2, picture.width);
    const int bottom = std::min(source(piece.bottom - area.top, picture.height, areaHeight) + 2, picture.height);
    // Where those land: the same stretch as the whole picture's.
    const auto target = [](int at, int size, int areaSize) { return static_cast<int>(std::int64_t{at} * areaSize / size); };
    const int x = area.left + target(left, picture.width, areaWidth), y = area.top + target(top, picture.height, areaHeight);
    const int width = area.left + target(right, picture.width, areaWidth) - x;
    const int height = area.top + target(bottom, picture.height, areaHeight) - y;
    // The rows as a picture of their own, read from its first row: no question of which end a
    // source row is counted from.
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), picture.width, -(bottom - top), 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, piece.left, piece.top, piece.right, piece.bottom);
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchDIBits(dc, x, y, width, height, left, 0, right - left, bottom - top,
                  picture.pixels.data() + static_cast<std::size_t>(top) * static_cast<std::size_t>(picture.width) * 4,
                  &info, DIB_RGB_COLORS, SRCCOPY);
    RestoreDC(dc, saved);
}

void PaintProgramTitle(HDC dc, const RECT& monitor) noexcept
{
    const int height = monitor.bottom - monitor.top;
    const UniqueFont font(CreateFontW(-std::max(height * 56 / 1080, 12), 0, 0, 0, FW_SEMIBOLD, FALSE, FALSE, FALSE,
                                      DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                      VARIABLE_PITCH | FF_SWISS, L"Segoe UI"));
    const SelectedObject selected(dc, font.Get());
    SetBkMode(dc, TRANSPARENT);
    RECT line{monitor.left, monitor.top + height * 740 / 1080, monitor.right, monitor.top + height * 830 / 1080};
    const int drop = std::max(height * 4 / 1080, 1);
    RECT shadow = line;
    OffsetRect(&shadow, drop, drop);
    SetTextColor(dc, RGB(4, 6, 10));
    DrawTextW(dc, L"PC Vardex", -1, &shadow, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SetTextColor(dc, RGB(216, 224, 234));
    DrawTextW(dc, L"PC Vardex", -1, &line, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

}  // namespace vardex
