#include "keys/ActionDescription.h"

#include "keys/PictureFile.h"

#include <QBuffer>
#include <QImageReader>

#include <limits>

QImage DecodeIcon(const std::vector<std::uint8_t>& bytes)
{
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        return {};
    }
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<int>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(PictureAllocationLimitMb);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || size.width() > MaxIconSide ||
        size.height() > MaxIconSide) {
        return {};
    }
    return reader.read();
}

const QImage& CActionDescription::Picture() const
{
    if (!Icon.isNull() || !IconData) {
        return Icon;
    }
    if (decoded_.isNull()) {
        decoded_ = DecodeIcon(*IconData);
    }
    return decoded_;
}
