#pragma once
// Makes JPEG files in memory with libjpeg's compressor, for the decoder's tests and benchmark.
#include <cstdint>
#include <cstdio>  // jpeglib.h uses FILE and size_t without declaring them
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace vardex::test {

struct JpegEncodeOptions {
    int quality = 95;
    J_COLOR_SPACE stored = JCS_UNKNOWN;  // libjpeg's default for the source
    bool progressive = false;
    bool adobeMarker = true;
};

// samples: width * height pixels of `components` bytes each, rows top-down, in colour space space.
inline std::vector<std::uint8_t> EncodeJpeg(const std::vector<std::uint8_t>& samples, int width, int height,
                                            int components, J_COLOR_SPACE space, const JpegEncodeOptions& options = {})
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    if (options.stored != JCS_UNKNOWN)
        jpeg_set_colorspace(&info, options.stored);
    if (!options.adobeMarker)
        info.write_Adobe_marker = FALSE;
    jpeg_set_quality(&info, options.quality, TRUE);
    if (options.progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    const std::size_t stride = static_cast<std::size_t>(width) * static_cast<std::size_t>(components);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row[1] = {const_cast<JSAMPLE*>(samples.data() + info.next_scanline * stride)};
        jpeg_write_scanlines(&info, row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<std::uint8_t> jpeg(buffer, buffer + size);
    std::free(buffer);
    return jpeg;
}

}  // namespace vardex::test
