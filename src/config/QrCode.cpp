#include "QrCode.h"

#include "common/Errors.h"
#include "common/Texts.h"
#include "common/WipedString.h"

#include <qrencode.h>

#include <algorithm>
#include <memory>
#include <string>

namespace vardex {

namespace {
struct CodeFree {
    void operator()(QRcode* code) const noexcept
    {
        WipeBytes(code->data, static_cast<std::size_t>(code->width) * static_cast<std::size_t>(code->width));
        QRcode_free(code);
    }
};
}  // namespace

QrCode::QrCode(std::string_view text)
{
    // The library reads a C string.
    WipedString terminated{std::string(text)};
    const std::unique_ptr<QRcode, CodeFree> code(
        QRcode_encodeString(terminated.Text().c_str(), 0, QR_ECLEVEL_M, QR_MODE_8, 1));
    if (!code)
        throw Error(EnglishText(TextId::MessageQrNotMade));
    width_ = code->width;
    modules_.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(width_));
    // The library's lowest bit of each byte is the module's colour; the others say what it is.
    std::transform(code->data, code->data + modules_.size(), modules_.begin(),
                   [](unsigned char module) { return static_cast<std::uint8_t>(module & 1); });
}

QrCode::~QrCode()
{
    WipeBytes(modules_.data(), modules_.size());
}

int QrModulePixels(int width, int side) noexcept
{
    return std::max(1, side / (width + 2 * kQrQuietModules));
}

}  // namespace vardex
