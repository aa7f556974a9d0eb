#include "contacts/contact_photo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>

#include <algorithm>

#include "base/app_paths.h"
#include "core/image/jpeg_reader.h"

namespace ostrel {

namespace {

// No photo is this big; a bigger file is not read into memory at all.
constexpr qint64 kMaxPhotoFileBytes = 64ll * 1024 * 1024;

bool isJpeg(const QByteArray& head) {
    return head.size() >= 3 && static_cast<unsigned char>(head[0]) == 0xFF &&
           static_cast<unsigned char>(head[1]) == 0xD8 && static_cast<unsigned char>(head[2]) == 0xFF;
}

QImage readJpeg(const QString& path) {
    try {
        const RgbImage rgb = readJpegFile(QFile::encodeName(path).toStdString());
        if (rgb.width <= 0 || rgb.height <= 0) return {};
        QImage image(rgb.width, rgb.height, QImage::Format_RGB888);
        if (image.isNull()) return {};
        for (int y = 0; y < rgb.height; ++y)
            std::copy_n(rgb.pixel(0, y), static_cast<std::size_t>(rgb.width) * 3, image.scanLine(y));
        return image;
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace

QImage loadPicture(const QString& path) {
    if (path.isEmpty()) return {};
    QFile file(path);
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxPhotoFileBytes || !file.open(QIODevice::ReadOnly)) return {};
    const QByteArray head = file.peek(3);
    if (isJpeg(head)) {
        file.close();
        return readJpeg(path);
    }
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    const QByteArray format = reader.format().toLower();
    if (format != "bmp" && format != "png" && format != "ico") return {};
    const QSize size = reader.size();
    if (size.isValid() && static_cast<quint64>(size.width()) * static_cast<quint64>(size.height()) > kMaxJpegPixels)
        return {};
    QImage image;
    if (!reader.read(&image)) return {};
    return image;
}

void showPicture(QLabel* label, const QImage& image) {
    if (image.isNull()) {
        label->clear();
        return;
    }
    label->setAlignment(Qt::AlignCenter);
    const QSize room = label->contentsRect().size();
    label->setPixmap(QPixmap::fromImage(
        image.scaled(room.isEmpty() ? image.size() : room, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

}  // namespace ostrel
