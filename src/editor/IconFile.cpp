#include "editor/IconFile.h"

#include "framework/Exception.h"
#include "services/Translation.h"
#include "util/Text.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

struct JpegError
{
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
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
    if (setjmp(error->jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
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

} // namespace

QImage DecodeJpeg(const std::vector<unsigned char>& bytes)
{
    QImage picture;
    JpegError error;
    if (bytes.empty() || !DecodeJpegInto(bytes, &picture, &error)) {
        throw InvalidPicture(error.message);
    }
    return picture;
}

QImage ReadPictureFile(const std::string& path)
{
    const QString name = QString::fromStdString(path);
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        throw Exception(FormatText(Translate("Не удается открыть файл %s."), path));
    }
    const QString extension = QFileInfo(name).suffix().toLower();
    if (extension == "jpg" || extension == "jpeg") {
        const QByteArray data = file.readAll();
        return DecodeJpeg(std::vector<unsigned char>(data.begin(), data.end()));
    }
    QImageReader reader(&file, extension.toLatin1());
    QImage picture = reader.read();
    if (picture.isNull()) {
        throw InvalidPicture(reader.errorString().toStdString());
    }
    return picture;
}

Blob EncodeBitmap(const QImage& picture)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (picture.isNull() || !picture.save(&buffer, "BMP")) {
        throw InvalidPicture("the picture cannot be written as BMP");
    }
    return Blob(bytes.begin(), bytes.end());
}

void StoreBitmap(const QImage& picture, Field field)
{
    Blob bytes = EncodeBitmap(picture);
    field.DataSetOf().Edit();
    field.SetValue(BlobValue(std::move(bytes)));
}

void LoadIconFromFile(const std::string& path, Field field)
{
    StoreBitmap(ReadPictureFile(path), field);
}
