#include "image/imageRead.h"

#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

namespace {

// libjpeg reports errors by a long jump back to decodeJpeg's setjmp, with the message kept;
// its default handler would print it and end the process.
struct JpegErrors {
    jpeg_error_mgr manager;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jumpBack(j_common_ptr jpeg)
{
    JpegErrors* errors = reinterpret_cast<JpegErrors*>(jpeg->err);
    (*jpeg->err->format_message)(jpeg, errors->message);
    longjmp(errors->jump, 1);
}

void quietWarning(j_common_ptr, int)
{
}

} // namespace

ImageStatus decodeJpeg(const unsigned char* data, size_t size, Image& out, char* detail, size_t detailSize)
{
    jpeg_decompress_struct jpeg;
    JpegErrors errors;
    jpeg.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jumpBack;
    errors.manager.emit_message = quietWarning;
    errors.message[0] = '\0';
    unsigned char* volatile pixels = nullptr;
    ImageStatus volatile status = ImageStatus::damaged;
    if (setjmp(errors.jump)) {
        // no C++ object with a destructor lives between here and the jump
        free(pixels);
        jpeg_destroy_decompress(&jpeg);
        if (detailSize > 0) {
            strncpy(detail, errors.message, detailSize - 1);
            detail[detailSize - 1] = '\0';
        }
        return status;
    }
    jpeg_create_decompress(&jpeg);
    jpeg_mem_src(&jpeg, data, static_cast<unsigned long>(size));
    jpeg_read_header(&jpeg, TRUE);
    if (jpeg.image_width > JDIMENSION(largestImageSide) || jpeg.image_height > JDIMENSION(largestImageSide)) {
        jpeg_destroy_decompress(&jpeg);
        return ImageStatus::tooLarge;
    }
    if (jpeg.jpeg_color_space == JCS_CMYK || jpeg.jpeg_color_space == JCS_YCCK) {
        strncpy(errors.message, "CMYK JPEG files are not read", sizeof(errors.message));
        longjmp(errors.jump, 1);
    }
    jpeg.out_color_space = JCS_EXT_RGBA;
    jpeg_start_decompress(&jpeg);
    size_t rowBytes = size_t(jpeg.output_width) * 4;
    pixels = static_cast<unsigned char*>(malloc(rowBytes * jpeg.output_height));
    if (!pixels) {
        status = ImageStatus::outOfMemory;
        longjmp(errors.jump, 1);
    }
    while (jpeg.output_scanline < jpeg.output_height) {
        // the file's top row first: each goes in from the bottom of the buffer up
        JSAMPROW row = pixels + rowBytes * (jpeg.output_height - 1 - jpeg.output_scanline);
        jpeg_read_scanlines(&jpeg, &row, 1);
    }
    jpeg_finish_decompress(&jpeg);
    out = Image{int(jpeg.output_width), int(jpeg.output_height), pixels};
    jpeg_destroy_decompress(&jpeg);
    return ImageStatus::ok;
}
