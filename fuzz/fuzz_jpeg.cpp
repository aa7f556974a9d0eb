// The JPEG reader on arbitrary bytes: a picture or a JpegError, within the
// memory limits, never a crash.

#include <cstddef>
#include <cstdint>

#include "core/image/jpeg_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Smaller limits than the program's, so that an execution stays fast;
    // the checks are the same.
    ostrel::JpegLimits limits;
    limits.maxPixels = 4u * 1024 * 1024;
    limits.maxDecoderMemory = 64l * 1024 * 1024;
    try {
        const ostrel::RgbImage image = ostrel::decodeJpeg(data, size, limits);
        if (image.pixels.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3)
            __builtin_trap();
    } catch (const ostrel::JpegError&) {
    }
    return 0;
}
