#pragma once
// JPEG pictures decoded with libjpeg into plain RGB pixels. A damaged,
// truncated or foreign file is an error (JpegError); decoding never ends the
// process and prints nothing.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace ostrel {

class JpegError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct RgbImage {
    int width = 0;
    int height = 0;
    // Rows top to bottom, three bytes (red, green, blue) per pixel, no padding.
    std::vector<std::uint8_t> pixels;

    const std::uint8_t* pixel(int x, int y) const {
        return pixels.data() +
               (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3;
    }
};

// What a picture may cost. The size in the header is checked before libjpeg
// allocates anything for the picture, and libjpeg itself is held to
// maxDecoderMemory (progressive and multi-scan files keep the whole picture's
// coefficients while decoding). Pictures beyond either are refused.
struct JpegLimits {
    std::uint64_t maxPixels = 64ull * 1024 * 1024;
    long maxDecoderMemory = 256l * 1024 * 1024;
    std::uint64_t maxFileBytes = 64ull * 1024 * 1024;
};

inline constexpr std::uint64_t kMaxJpegPixels = JpegLimits{}.maxPixels;

// Decodes a whole JPEG held in memory. Throws JpegError with libjpeg's
// reason when the data is not a complete, sound JPEG (a file cut short is
// damaged even though libjpeg could pad it), or when it exceeds the limits.
RgbImage decodeJpeg(const std::uint8_t* data, std::size_t size, const JpegLimits& limits = {});

// Reads and decodes a JPEG file. Throws JpegError naming the file when it
// cannot be read or decoded; a folder, a device or a file larger than
// limits.maxFileBytes is refused without being read.
RgbImage readJpegFile(const std::string& path, const JpegLimits& limits = {});

}  // namespace ostrel
