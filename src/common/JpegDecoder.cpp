#include "JpegDecoder.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>  // jpeglib.h uses FILE and size_t without declaring them
#include <exception>
#include <limits>

#include <jpeglib.h>
#include <jerror.h>

#ifndef JCS_EXTENSIONS
#error "libjpeg-turbo's extended colour spaces are needed (JCS_EXT_BGRX)"
#endif

namespace vardex {
namespace {

// libjpeg reports a fatal error through error_exit, which must not return: it jumps back to the
// guarded step that called into libjpeg. The progress hook uses the same way out.
struct Guard {
    std::jmp_buf jump;
    const jpeg_decompress_struct* info = nullptr;
    int maxScans = 0;
};

Guard& GuardOf(j_common_ptr common)
{
    return *static_cast<Guard*>(common->client_data);
}

[[noreturn]] void OnFatalError(j_common_ptr common)
{
    std::longjmp(GuardOf(common).jump, 1);
}

// A service has no console to print libjpeg's messages on.
void OnMessage(j_common_ptr) {}

// Damaged data only warns and libjpeg goes on, filling the rest with grey. A file whose picture
// data ends early (at the end of the file or at the next marker) is no picture to show: the
// decoding stops at once (a huge size claimed by a few bytes would otherwise be filled in full)
// and the lock screen stays black. Lesser damage, such as stray bytes before a marker, is shown.
void OnWarningOrTrace(j_common_ptr common, int level)
{
    const int code = common->err->msg_code;
    if (level < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER))
        std::longjmp(GuardOf(common).jump, 1);
}

// Called while libjpeg reads the scans; a file made of hundreds of scans would otherwise keep
// the decoder busy for minutes.
void OnProgress(j_common_ptr common)
{
    Guard& guard = GuardOf(common);
    if (guard.info->input_scan_number > guard.maxScans)
        std::longjmp(guard.jump, 1);
}

// The libjpeg state lives here, above every guarded step, so it is released by the ordinary C++
// path whether or not a step jumped out.
struct Decompressor {
    jpeg_decompress_struct info{};  // zeroed: destroying is safe even if creating failed
    jpeg_error_mgr errors{};
    jpeg_progress_mgr progress{};
    Guard guard{};

    Decompressor() = default;
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;
    ~Decompressor() { jpeg_destroy_decompress(&info); }
};

// Runs step, which calls into libjpeg, and gives its result; false when libjpeg failed. Neither
// this frame nor the step's may hold objects with destructors: the jump back would skip them.
template <typename Step>
bool Guarded(Guard& guard, const Step& step)
{
    if (setjmp(guard.jump) != 0)
        return false;
    return step();
}

// The smallest N/8 scale whose output covers the target; libjpeg's own rounding gives the sizes.
void ChooseScale(jpeg_decompress_struct& info, int targetWidth, int targetHeight)
{
    info.scale_denom = 8;
    if (targetWidth > 0 && targetHeight > 0) {
        for (unsigned n = 1; n < 8; ++n) {
            info.scale_num = n;
            jpeg_calc_output_dimensions(&info);
            if (info.output_width >= static_cast<JDIMENSION>(targetWidth) &&
                info.output_height >= static_cast<JDIMENSION>(targetHeight))
                return;
        }
    }
    info.scale_num = 8;
    jpeg_calc_output_dimensions(&info);
}

std::uint8_t Scale255(unsigned a, unsigned b)
{
    return static_cast<std::uint8_t>((a * b + 127) / 255);
}

// libjpeg gives CMYK as stored. Adobe's applications store it inverted (255 is no ink) and mark
// such files with their APP14 marker; files without it hold plain ink amounts.
void CmykToBgrx(std::uint8_t* pixel, std::size_t count, bool inverted)
{
    for (std::size_t i = 0; i < count; ++i, pixel += 4) {
        unsigned c = pixel[0], m = pixel[1], y = pixel[2], k = pixel[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        pixel[0] = Scale255(y, k);
        pixel[1] = Scale255(m, k);
        pixel[2] = Scale255(c, k);
        pixel[3] = 255;
    }
}

}  // namespace

std::optional<DecodedImage> DecodeJpeg(std::span<const std::uint8_t> data, int targetWidth, int targetHeight,
                                       const JpegLimits& limits) noexcept
{
    // jpeg_mem_src takes the size as an unsigned long, 32 bits on Windows.
    if (data.empty() || data.size() > std::numeric_limits<unsigned long>::max())
        return std::nullopt;

    Decompressor d;
    d.info.err = jpeg_std_error(&d.errors);
    d.errors.error_exit = OnFatalError;
    d.errors.output_message = OnMessage;
    d.errors.emit_message = OnWarningOrTrace;
    d.guard.info = &d.info;
    d.guard.maxScans = limits.maxScans;
    d.info.client_data = &d.guard;
    d.progress.progress_monitor = OnProgress;

    bool cmyk = false;
    bool inverted = false;
    const bool opened = Guarded(d.guard, [&] {
        jpeg_create_decompress(&d.info);
        // 0 would mean no limit to libjpeg. The limit holds for the whole-image coefficient
        // buffers: there is no backing store, so going over it is a fatal error.
        d.info.mem->max_memory_to_use = static_cast<long>(
            std::clamp<std::size_t>(limits.maxDecoderMemory, 1, static_cast<std::size_t>(LONG_MAX)));
        d.info.progress = &d.progress;
        jpeg_mem_src(&d.info, data.data(), static_cast<unsigned long>(data.size()));
        if (jpeg_read_header(&d.info, TRUE) != JPEG_HEADER_OK)
            return false;
        // libjpeg turns YCCK into CMYK but neither into RGB; other sources it converts itself.
        cmyk = d.info.jpeg_color_space == JCS_CMYK || d.info.jpeg_color_space == JCS_YCCK;
        inverted = d.info.saw_Adobe_marker != FALSE;
        d.info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
        ChooseScale(d.info, targetWidth, targetHeight);
        return d.info.output_components == 4;
    });
    if (!opened)
        return std::nullopt;

    const std::size_t width = d.info.output_width;
    const std::size_t height = d.info.output_height;
    if (width == 0 || height == 0 || width > limits.maxOutputPixels / height)
        return std::nullopt;
    DecodedImage image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    try {
        image.pixels.resize(width * height * 4);
    } catch (const std::exception&) {  // out of memory
        return std::nullopt;
    }

    const bool decoded = Guarded(d.guard, [&] {
        // Progressive and multi-scan files are read whole here, under the memory and scan limits.
        jpeg_start_decompress(&d.info);
        if (d.info.output_width != width || d.info.output_height != height || d.info.output_components != 4)
            return false;
        constexpr JDIMENSION kRowsPerRead = 16;
        const std::size_t stride = width * 4;
        while (d.info.output_scanline < d.info.output_height) {
            const JDIMENSION first = d.info.output_scanline;
            const JDIMENSION wanted = std::min(kRowsPerRead, d.info.output_height - first);
            JSAMPROW rows[kRowsPerRead];
            for (JDIMENSION i = 0; i < wanted; ++i)
                rows[i] = image.pixels.data() + (first + i) * stride;
            const JDIMENSION read = jpeg_read_scanlines(&d.info, rows, wanted);
            if (read == 0)
                return false;  // only a suspending data source stops early, and ours does not
            if (cmyk)
                for (JDIMENSION i = 0; i < read; ++i)
                    CmykToBgrx(rows[i], width, inverted);
        }
        // The rest of the file is not needed; destroying the decompressor drops it unread.
        return true;
    });
    if (!decoded)
        return std::nullopt;
    return image;
}

}  // namespace vardex
