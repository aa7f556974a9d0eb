// Decoding JPEG pictures: sound, cut short, foreign and empty files all
// come back as a picture or as a JpegError, never as an exit or a crash.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "core/image/jpeg_reader.h"
#include "fixture_db.h"

using namespace ostrel;

namespace {

// A w x h picture: left half red, right half blue (colour), or a grey ramp.
std::vector<std::uint8_t> encodeJpeg(int w, int h, bool grey) {
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

std::string writeFile(const ostrel::testing::TempDir& dir, const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = dir.str() + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                               static_cast<std::streamsize>(bytes.size()));
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
    const std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
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
