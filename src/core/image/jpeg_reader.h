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
        return pixels.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3;
    }
};

// Pictures larger than this many pixels are refused rather than allocated.
inline constexpr std::uint64_t kMaxJpegPixels = 64ull * 1024 * 1024;

// Decodes a whole JPEG held in memory. Throws JpegError with libjpeg's
// reason when the data is not a complete, sound JPEG (a file cut short is
// damaged even though libjpeg could pad it).
RgbImage decodeJpeg(const std::uint8_t* data, std::size_t size);

// Reads and decodes a JPEG file. Throws JpegError naming the file when it
// cannot be read or decoded.
RgbImage readJpegFile(const std::string& path);

}  // namespace ostrel
