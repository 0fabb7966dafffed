#include "quivet/formpictures.h"

#include <QImageReader>

#include "quivet/quiveterror.h"

QPixmap FormPictures::picture(const QString& path, const std::string& asWritten) {
    const auto known = decoded_.constFind(path);
    if (known != decoded_.constEnd()) return *known;
    using quivet::QuivetError;
    QImageReader reader(path);
    const QSize size = reader.size();  // from the header, nothing decoded yet
    if (size.isValid() && static_cast<qint64>(size.width()) * size.height() > kMaxPixels)
        throw QuivetError(QuivetError::Kind::BadFile,
                          "Figure file " + asWritten + " is too large to show (" + std::to_string(size.width()) + " x " +
                              std::to_string(size.height()) + " pixels; a form shows pictures of up to " +
                              std::to_string(kMaxPixels) + " pixels)");
    const QImage image = reader.read();
    if (image.isNull()) throw QuivetError(QuivetError::Kind::BadFile, "Figure file " + asWritten + " is not a picture");
    const QPixmap pixmap = QPixmap::fromImage(image);
    decoded_.insert(path, pixmap);
    return pixmap;
}
