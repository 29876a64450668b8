#include "editor/IconFile.h"

#include "framework/Exception.h"
#include "keys/PictureFile.h"
#include "packs/PackIcons.h"
#include "services/Translation.h"
#include "util/Text.h"

#include <QFileInfo>
#include <QImageReader>

#include <csetjmp>
#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

namespace {

struct JpegError
{
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    // Of a picture refused by its declared size; 0 otherwise.
    unsigned declaredWidth;
    unsigned declaredHeight;
};

// libjpeg's own handler ends the process; this one returns to the decoder's caller.
[[noreturn]] void OnJpegError(j_common_ptr info)
{
    auto* error = reinterpret_cast<JpegError*>(info->err);
    (*info->err->format_message)(info, error->message);
    std::longjmp(error->jump, 1);
}

void IgnoreJpegMessage(j_common_ptr) {}

// Plain C state only between setjmp and longjmp: nothing here has a destructor to skip.
bool DecodeJpegInto(const std::vector<unsigned char>& bytes, QImage* picture, JpegError* error)
{
    jpeg_decompress_struct info;
    info.err = jpeg_std_error(&error->manager);
    error->manager.error_exit = OnJpegError;
    error->manager.output_message = IgnoreJpegMessage;
    error->message[0] = '\0';
    error->declaredWidth = error->declaredHeight = 0;
    if (setjmp(error->jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    // The declared size is checked before anything of that size is allocated.
    if (static_cast<std::uint64_t>(info.image_width) * info.image_height * 3 >
        static_cast<std::uint64_t>(PictureAllocationLimitMb) * 1024 * 1024) {
        error->declaredWidth = info.image_width;
        error->declaredHeight = info.image_height;
        jpeg_destroy_decompress(&info);
        return false;
    }
    // Decoded at an eighth, a quarter or half the size while that still covers a stored icon.
    info.scale_num = 1;
    info.scale_denom = 1;
    while (info.scale_denom < 8 && info.image_width / (info.scale_denom * 2) >= StoredIconSide &&
           info.image_height / (info.scale_denom * 2) >= StoredIconSide) {
        info.scale_denom *= 2;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    *picture = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                      QImage::Format_RGB888);
    if (picture->isNull()) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = picture->scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    // A truncated file decodes with a warning and grey rows: it is no valid picture.
    return error->manager.num_warnings == 0;
}

DecodedPicture DecodeJpegPicture(const std::vector<unsigned char>& bytes)
{
    DecodedPicture picture;
    JpegError error{};
    if (bytes.empty() || !DecodeJpegInto(bytes, &picture.image, &error)) {
        picture.image = {};
        picture.refused = error.declaredWidth != 0;
        picture.problem =
            picture.refused ? FormatText(Translate("картинка размером %s слишком велика"),
                                         PictureSizeText(error.declaredWidth, error.declaredHeight))
                            : std::string(error.message);
    }
    return picture;
}

} // namespace

QImage DecodeJpeg(const std::vector<unsigned char>& bytes)
{
    DecodedPicture picture = DecodeJpegPicture(bytes);
    if (picture.image.isNull()) {
        throw InvalidPicture(picture.problem);
    }
    return picture.image;
}

QImage ReadPictureFile(const std::string& path)
{
    const QByteArray data = ReadPictureBytes(path);
    const QString extension = QFileInfo(QString::fromStdString(path)).suffix().toLower();
    const DecodedPicture picture =
        extension == "jpg" || extension == "jpeg"
            ? DecodeJpegPicture(std::vector<unsigned char>(data.begin(), data.end()))
            : DecodePicture(data, extension.toLatin1(), StoredIconSide);
    if (picture.refused) {
        throw Exception(FormatText(Translate("Файл %s не принят: %s"), path, picture.problem));
    }
    if (picture.image.isNull()) {
        throw InvalidPicture(picture.problem);
    }
    return picture.image;
}

void StoreBitmap(const QImage& picture, Field field)
{
    Blob bytes = picture.isNull() ? Blob() : IconFieldBytes(picture);
    if (bytes.empty()) {
        throw InvalidPicture("the picture cannot be written as BMP");
    }
    field.DataSetOf().Edit();
    field.SetValue(BlobValue(std::move(bytes)));
}

void LoadIconFromFile(const std::string& path, Field field)
{
    StoreBitmap(ReadPictureFile(path), field);
}
