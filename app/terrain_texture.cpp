#include "app/terrain_texture.h"

#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <jpeglib.h>

#include "app/image_file_check.h"

namespace flyover {

namespace {

constexpr std::uintmax_t kMaxTextureFileBytes = 256u << 20;
constexpr JDIMENSION kMaxTextureSide = 16384;

// libjpeg reports a fatal problem by calling error_exit; jumping back out of the decoder
// keeps the problem ours to report.
struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf escape;
    char message[JMSG_LENGTH_MAX];
};

void onJpegError(j_common_ptr info) {
    auto* error = reinterpret_cast<JpegError*>(info->err);
    (*info->err->format_message)(info, error->message);
    std::longjmp(error->escape, 1);
}

void ignoreJpegWarning(j_common_ptr, int) {}

// Decodes a whole JPEG file held in memory into an RGB image; null with *problem set
// when libjpeg refuses it.
irr::video::IImage* decodeJpeg(irr::video::IVideoDriver* driver, const std::vector<unsigned char>& file,
                               std::string* problem) {
    jpeg_decompress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = onJpegError;
    error.manager.emit_message = ignoreJpegWarning;
    // Set after setjmp and read after the jump back, so kept in memory.
    irr::video::IImage* volatile image = nullptr;
    std::vector<unsigned char> row;
    if (setjmp(error.escape)) {
        jpeg_destroy_decompress(&info);
        if (image) image->drop();
        *problem = std::string("is not a readable JPEG file (") + error.message + ")";
        return nullptr;
    }
    jpeg_create_decompress(&info);
    // The memory source ends a truncated file with a made-up end marker.
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_width > kMaxTextureSide || info.output_height > kMaxTextureSide ||
        info.output_components != 3) {
        jpeg_destroy_decompress(&info);
        *problem = "is a JPEG image larger than " + std::to_string(kMaxTextureSide) + " pixels a side";
        return nullptr;
    }
    image = driver->createImage(irr::video::ECF_R8G8B8,
                                irr::core::dimension2du(info.output_width, info.output_height));
    row.resize(static_cast<std::size_t>(info.output_width) * 3);
    while (info.output_scanline < info.output_height) {
        const irr::u32 y = info.output_scanline;
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&info, rows, 1);
        for (irr::u32 x = 0; x < info.output_width; ++x)
            image->setPixel(x, y, irr::video::SColor(255, row[3 * x], row[3 * x + 1], row[3 * x + 2]));
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return image;
}

bool isJpeg(const std::vector<unsigned char>& file) {
    return file.size() >= 3 && file[0] == 0xFF && file[1] == 0xD8 && file[2] == 0xFF;
}

}  // namespace

irr::video::ITexture* loadTerrainTexture(irr::video::IVideoDriver* driver, const char* fileName,
                                         std::string* problem) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::exists(fileName, ec)) return nullptr;
    const std::uintmax_t bytes = fs::file_size(fileName, ec);
    if (ec || bytes == 0) {
        *problem = "is empty or not a file";
        return nullptr;
    }
    if (bytes > kMaxTextureFileBytes) {
        *problem = "is larger than 256 MB";
        return nullptr;
    }
    std::ifstream in(fileName, std::ios::binary);
    const std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    if (!isJpeg(file)) {
        // BMP and PNG are safe for Irrlicht's readers once their headers are checked.
        *problem = imageFileProblem(fileName);
        return problem->empty() ? driver->getTexture(fileName) : nullptr;
    }
    irr::video::IImage* image = decodeJpeg(driver, file, problem);
    if (!image) return nullptr;
    irr::video::ITexture* texture = driver->addTexture(fileName, image);
    image->drop();
    return texture;
}

}  // namespace flyover
