// JPEG files through libjpeg: the size is checked after the header and before
// jpeg_start_decompress, which allocates, and libjpeg's own memory is capped.
#include "elevation/image_decoders.h"
#include "elevation/jpeg_failure.h"

#include <jerror.h>

namespace elevation::detail {

namespace {

// A progressive file keeps every coefficient of the image until its last scan: 2 bytes
// each for up to 3 full-size components, besides the decoded image.
constexpr std::uint64_t kWorkBytesPerPixel = 6;
constexpr std::uint64_t kWorkBytesBase = 16u << 20;
constexpr std::uint64_t kBytesPerMegabyte = 1u << 20;

// Warnings mark corrupt data (a premature end, a lost marker) whose pixels libjpeg would
// make up; they end decoding like errors. Trace messages carry nothing to act on.
void onJpegMessage(j_common_ptr info, int level) {
    if (level < 0) onJpegFailure(info);
}

// libjpeg's state, kept out of the frame that libjpeg jumps back to.
struct JpegReader {
    JpegFailure failure;
    jpeg_decompress_struct info{};
    ~JpegReader() { jpeg_destroy_decompress(&info); }
};

std::string readJpeg(std::FILE* file, const ImageLimits& limits, std::uint64_t workBytes, JpegReader& reader,
                     RgbImage& image) {
    if (setjmp(reader.failure.escape)) {
        // Out of the memory allowed: libjpeg has no backing store to spill to.
        if (reader.failure.code == JERR_NO_BACKING_STORE || reader.failure.code == JERR_OUT_OF_MEMORY)
            return "is a JPEG file that needs more than " + std::to_string(workBytes / kBytesPerMegabyte) +
                   " MB to decode";
        return std::string("is a JPEG file that cannot be decoded (") + reader.failure.message + ")";
    }
    jpeg_create_decompress(&reader.info);
    reader.info.mem->max_memory_to_use = static_cast<long>(workBytes);
    jpeg_stdio_src(&reader.info, file);
    jpeg_read_header(&reader.info, TRUE);
    if (std::string problem = imageSizeProblem(reader.info.image_width, reader.info.image_height, limits);
        !problem.empty())
        return problem;
    reader.info.out_color_space = JCS_RGB;
    jpeg_calc_output_dimensions(&reader.info);
    if (reader.info.output_components != static_cast<int>(sizeof(Rgb)))
        return "is a JPEG file of a colour space that cannot be read";

    allocatePixels(image, reader.info.output_width, reader.info.output_height);
    jpeg_start_decompress(&reader.info);
    while (reader.info.output_scanline < reader.info.output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(image.row(static_cast<int>(reader.info.output_scanline)));
        jpeg_read_scanlines(&reader.info, &row, 1);
    }
    return {};
}

}  // namespace

std::string decodeJpeg(std::FILE* file, const ImageLimits& limits, RgbImage& image) {
    JpegReader reader;
    reader.info.err = jpegFailureManager(reader.failure);
    reader.failure.manager.emit_message = onJpegMessage;
    return readJpeg(file, limits, kWorkBytesBase + kWorkBytesPerPixel * limits.maxPixels, reader, image);
}

}  // namespace elevation::detail
