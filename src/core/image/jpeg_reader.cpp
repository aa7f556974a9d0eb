#include "core/image/jpeg_reader.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <system_error>

#include <jerror.h>
#include <jpeglib.h>

namespace ostrel {
namespace {

// libjpeg reports fatal errors through error_exit, which by default prints
// and calls exit(). Ours jumps back to the decoder with the reason instead.
struct JumpingErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    char firstWarning[JMSG_LENGTH_MAX];
};

extern "C" void jumpOnError(j_common_ptr cinfo) {
    auto* mgr = reinterpret_cast<JumpingErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, mgr->message);
    std::longjmp(mgr->jump, 1);
}

// Nothing is printed. Warnings are counted and the first one kept as the
// reason; trace messages are dropped.
extern "C" void silentMessage(j_common_ptr) {}

extern "C" void recordMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    auto* mgr = reinterpret_cast<JumpingErrorManager*>(cinfo->err);
    if (mgr->pub.num_warnings == 0) (*cinfo->err->format_message)(cinfo, mgr->firstWarning);
    ++mgr->pub.num_warnings;
}

// The part that may be jumped out of holds only plain C data, so that no
// destructor is skipped; the result goes straight into *out.
bool decodeInto(const std::uint8_t* data, std::size_t size, const JpegLimits& limits, RgbImage* out, char* reason,
                std::size_t reasonSize) {
    jpeg_decompress_struct cinfo;
    JumpingErrorManager err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = jumpOnError;
    err.pub.output_message = silentMessage;
    err.pub.emit_message = recordMessage;
    err.message[0] = '\0';
    err.firstWarning[0] = '\0';

    if (setjmp(err.jump)) {
        // libjpeg runs out of its allowance (or would need a temporary file)
        // only for pictures too large for us.
        if (err.pub.msg_code == JERR_OUT_OF_MEMORY || err.pub.msg_code == JERR_NO_BACKING_STORE)
            std::snprintf(reason, reasonSize, "picture too large: decoding it needs more than %ld %s",
                          limits.maxDecoderMemory >= 1024 * 1024 ? limits.maxDecoderMemory / (1024 * 1024)
                                                                 : limits.maxDecoderMemory / 1024,
                          limits.maxDecoderMemory >= 1024 * 1024 ? "MB" : "KB");
        else std::snprintf(reason, reasonSize, "%s", err.message);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }

    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = limits.maxDecoderMemory;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);

    // Checked before jpeg_start_decompress, which for progressive and
    // multi-scan files allocates the whole picture at once.
    if (static_cast<std::uint64_t>(cinfo.image_width) * cinfo.image_height > limits.maxPixels) {
        std::snprintf(reason, reasonSize, "picture too large (%ux%u pixels)", cinfo.image_width, cinfo.image_height);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);

    if (cinfo.output_components != 3) {
        std::snprintf(reason, reasonSize, "unsupported picture (%ux%u, %d components)", cinfo.output_width,
                      cinfo.output_height, cinfo.output_components);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }

    out->width = static_cast<int>(cinfo.output_width);
    out->height = static_cast<int>(cinfo.output_height);
    const std::size_t stride = static_cast<std::size_t>(cinfo.output_width) * 3;
    try {
        out->pixels.assign(stride * cinfo.output_height, 0);
    } catch (const std::bad_alloc&) {
        std::snprintf(reason, reasonSize, "out of memory");
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out->pixels.data() + stride * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);

    // A file cut short is padded by libjpeg with a warning; so is corrupt
    // entropy data. Either way the picture is damaged.
    const long warnings = err.pub.num_warnings;
    if (warnings > 0) std::snprintf(reason, reasonSize, "damaged picture: %s", err.firstWarning);
    jpeg_destroy_decompress(&cinfo);
    return warnings == 0;
}

}  // namespace

RgbImage decodeJpeg(const std::uint8_t* data, std::size_t size, const JpegLimits& limits) {
    if (size == 0) throw JpegError("empty file");
    RgbImage image;
    char reason[JMSG_LENGTH_MAX + 96] = {};
    if (!decodeInto(data, size, limits, &image, reason, sizeof reason)) throw JpegError(reason);
    return image;
}

RgbImage readJpegFile(const std::string& path, const JpegLimits& limits) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status)) throw JpegError("Cannot open picture \"" + path + "\": no such file");
    if (fs::is_directory(status)) throw JpegError("Cannot open picture \"" + path + "\": it is a folder");
    if (!fs::is_regular_file(status)) throw JpegError("Cannot open picture \"" + path + "\": not a regular file");
    const std::uintmax_t fileSize = fs::file_size(path, ec);
    if (!ec && fileSize > limits.maxFileBytes)
        throw JpegError("Cannot load picture \"" + path + "\": the file is larger than " +
                        (limits.maxFileBytes >= 1024 * 1024
                             ? std::to_string(limits.maxFileBytes / (1024 * 1024)) + " MB"
                             : std::to_string(limits.maxFileBytes) + " bytes"));
    std::ifstream in(path, std::ios::binary);
    if (!in) throw JpegError("Cannot open picture \"" + path + "\": " + std::generic_category().message(errno));
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw JpegError("Cannot read picture \"" + path + "\"");
    try {
        return decodeJpeg(bytes.data(), bytes.size(), limits);
    } catch (const JpegError& e) {
        throw JpegError("Cannot load picture \"" + path + "\": " + e.what());
    }
}

}  // namespace ostrel
