// Decoding JPEG pictures: sound, cut short, foreign and empty files all
// come back as a picture or as a JpegError, never as an exit or a crash.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "core/image/jpeg_reader.h"
#include "fixture_db.h"

using namespace ostrel;

namespace {

// A w x h picture: left half red, right half blue (colour), or a grey ramp.
std::vector<std::uint8_t> encodeJpeg(int w, int h, bool grey, bool progressive = false) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(w);
    cinfo.image_height = static_cast<JDIMENSION>(h);
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(w) * cinfo.input_components);
    while (cinfo.next_scanline < cinfo.image_height) {
        for (int x = 0; x < w; ++x) {
            if (grey) {
                row[x] = 128;
            } else {
                const bool left = x < w / 2;
                row[x * 3 + 0] = left ? 220 : 20;
                // Some texture, so that the scan data outweighs the headers.
                row[x * 3 + 1] = static_cast<std::uint8_t>((x * 7 + cinfo.next_scanline * 13) % 40);
                row[x * 3 + 2] = left ? 20 : 220;
            }
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<std::uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

// The same file claiming another size in its frame header.
std::vector<std::uint8_t> withDeclaredSize(std::vector<std::uint8_t> bytes, unsigned w, unsigned h) {
    for (std::size_t i = 0; i + 8 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2)) {
            bytes[i + 5] = static_cast<std::uint8_t>(h >> 8);
            bytes[i + 6] = static_cast<std::uint8_t>(h);
            bytes[i + 7] = static_cast<std::uint8_t>(w >> 8);
            bytes[i + 8] = static_cast<std::uint8_t>(w);
            return bytes;
        }
    }
    ADD_FAILURE() << "no frame header";
    return bytes;
}

std::string decodeError(const std::vector<std::uint8_t>& bytes, const JpegLimits& limits = {}) {
    try {
        decodeJpeg(bytes.data(), bytes.size(), limits);
    } catch (const JpegError& e) {
        return e.what();
    }
    return "(decoded)";
}

std::string writeFile(const ostrel::testing::TempDir& dir, const std::string& name,
                      const std::vector<std::uint8_t>& bytes) {
    const std::string path = dir.str() + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

}  // namespace

TEST(JpegReader, DecodesColourAndGreyPicturesToRgb) {
    ostrel::testing::TempDir dir;
    const RgbImage colour = readJpegFile(writeFile(dir, "colour.jpg", encodeJpeg(32, 16, false)));
    ASSERT_EQ(colour.width, 32);
    ASSERT_EQ(colour.height, 16);
    ASSERT_EQ(colour.pixels.size(), 32u * 16u * 3u);
    const std::uint8_t* red = colour.pixel(4, 8);
    const std::uint8_t* blue = colour.pixel(28, 8);
    EXPECT_NEAR(red[0], 220, 8);
    EXPECT_NEAR(red[2], 20, 8);
    EXPECT_LT(red[1], 60);
    EXPECT_NEAR(blue[0], 20, 8);
    EXPECT_NEAR(blue[2], 220, 8);

    const RgbImage grey = decodeJpeg(encodeJpeg(8, 8, true).data(), encodeJpeg(8, 8, true).size());
    ASSERT_EQ(grey.width, 8);
    const std::uint8_t* g = grey.pixel(3, 3);
    EXPECT_NEAR(g[0], 128, 2);
    EXPECT_EQ(g[0], g[1]);
    EXPECT_EQ(g[1], g[2]);
}

TEST(JpegReader, BadFilesAreCleanErrors) {
    ostrel::testing::TempDir dir;
    const std::vector<std::uint8_t> good = encodeJpeg(128, 128, false);
    // Cut inside the scan data: libjpeg pads the rest and only warns.
    const std::vector<std::uint8_t> truncated(good.begin(), good.begin() + static_cast<long>(good.size() * 3 / 4));
    const std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',
                                           0,    0,   0,   13,  'I',  'H',  'D',  'R'};
    const std::vector<std::uint8_t> headerOnly(good.begin(), good.begin() + 20);

    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* reason;  // part of the error text
    };
    const Case cases[] = {
        {"truncated.jpg", truncated, "damaged"},
        {"not-a-jpeg.jpg", png, "Not a JPEG"},
        {"empty.jpg", {}, "empty"},
        {"header-only.jpg", headerOnly, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = writeFile(dir, c.name, c.bytes);
        try {
            readJpegFile(path);
            ADD_FAILURE() << "no error";
        } catch (const JpegError& e) {
            const std::string text = e.what();
            EXPECT_NE(text.find(path), std::string::npos) << text;
            EXPECT_NE(text.find(c.reason), std::string::npos) << text;
        }
    }
    // The decoder is still usable after every failure.
    EXPECT_EQ(decodeJpeg(good.data(), good.size()).width, 128);
}

TEST(JpegReader, MissingFileNamesThePath) {
    ostrel::testing::TempDir dir;
    const std::string path = dir.str() + "/nowhere.jpg";
    try {
        readJpegFile(path);
        FAIL() << "no error";
    } catch (const JpegError& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
    }
}

TEST(JpegReader, ShippedDialIsAFaceCentredOnTheHandsPivot) {
    const RgbImage dial = readJpegFile(std::string(OSTREL_SOURCE_DIR) + "/assets/Images/Analog_clock.jpg");
    ASSERT_EQ(dial.width, 96);
    ASSERT_EQ(dial.height, 96);
    // Light face around a dark pivot at (48, 48); the same face colour the
    // same distance left, right, above and below.
    const auto lum = [&](int x, int y) {
        const std::uint8_t* p = dial.pixel(x, y);
        return (p[0] + p[1] + p[2]) / 3;
    };
    EXPECT_LT(lum(48, 48), 90);
    for (const auto& [x, y] : {std::pair{48, 28 + 10}, {48, 68 - 10}, {38, 48 + 10}, {58, 48 - 10}})
        EXPECT_GT(lum(x, y), 200) << x << "," << y;
}

// A few hundred bytes may declare a picture of billions of pixels; a
// progressive or multi-scan one made libjpeg allocate all of it before the
// size was looked at. The size is checked straight after the header, and
// libjpeg's own allowance is bounded.
TEST(JpegReader, PicturesBeyondTheLimitsAreRefusedBeforeTheyAreAllocated) {
    const std::vector<std::uint8_t> progressive = encodeJpeg(64, 64, false, true);
    const std::vector<std::uint8_t> baseline = encodeJpeg(64, 64, false, false);
    ASSERT_LT(progressive.size(), 20000u);
    EXPECT_EQ(decodeJpeg(progressive.data(), progressive.size()).width, 64);

    for (const auto& bytes : {progressive, baseline}) {
        for (const auto& [w, h] : {std::pair{60000u, 60000u}, std::pair{65000u, 1100u}}) {
            SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
            const std::string error = decodeError(withDeclaredSize(bytes, w, h));
            EXPECT_NE(error.find("picture too large (" + std::to_string(w) + "x" + std::to_string(h)),
                      std::string::npos)
                << error;
        }
    }

    // Within the pixel limit but beyond libjpeg's allowance.
    JpegLimits tight;
    tight.maxDecoderMemory = 256 * 1024;
    const std::vector<std::uint8_t> big = encodeJpeg(512, 512, false, true);
    EXPECT_EQ(decodeError(big, tight), "picture too large: decoding it needs more than 256 KB");
    EXPECT_EQ(decodeJpeg(big.data(), big.size()).height, 512);
    tight = {};
    tight.maxPixels = 512 * 511;
    EXPECT_EQ(decodeError(big, tight), "picture too large (512x512 pixels)");
}

TEST(JpegReader, FoldersAndOversizedFilesAreRefusedWithoutReading) {
    ostrel::testing::TempDir dir;
    const std::string folder = dir.str() + "/dial.jpg";
    std::filesystem::create_directory(folder);
    const std::string big = writeFile(dir, "big.jpg", encodeJpeg(64, 64, false));
    JpegLimits small;
    small.maxFileBytes = 100;
    const std::pair<std::string, std::string> cases[] = {
        {folder, "Cannot open picture \"" + folder + "\": it is a folder"},
        {"/dev/null", "Cannot open picture \"/dev/null\": not a regular file"},
        {big, "Cannot load picture \"" + big + "\": the file is larger than 100 bytes"},
    };
    for (const auto& [path, message] : cases) {
        try {
            readJpegFile(path, small);
            ADD_FAILURE() << path << " decoded";
        } catch (const JpegError& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
}
