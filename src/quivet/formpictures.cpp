#include "quivet/formpictures.h"

#include <QFile>
#include <QImageReader>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

#include "common/diskfile.h"
#include "quivet/quiveterror.h"
#include "diagram/wmffile.h"

QPixmap FormPictures::picture(const QString& path, const std::string& asWritten) {
    using quivet::QuivetError;
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    const bool found = ::stat(name.constData(), &st) == 0;
    // A named pipe or a device named like a picture would block the decoder.
    if (found && !S_ISREG(st.st_mode))
        throw QuivetError(QuivetError::Kind::BadFile,
                          "Figure file " + asWritten + " is " + pal::fileKindOf(st.st_mode) + ", not a picture");
    std::pair<quint64, quint64> key{static_cast<quint64>(st.st_dev), static_cast<quint64>(st.st_ino)};
    if (found) {
        const auto known = decoded_.constFind(key);
        if (known != decoded_.constEnd()) return *known;
    }
    int fd = -1;
    try {
        fd = pal::openForReading(name.toStdString());  // checked again as opened, never waited on
    } catch (const pal::IoError& e) {
        throw QuivetError(QuivetError::Kind::BadFile, "Figure file " + asWritten + " cannot be read: " + e.what());
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw QuivetError(QuivetError::Kind::BadFile, "Figure file " + asWritten + " cannot be read");
    }
    if (::fstat(fd, &st) == 0) key = {static_cast<quint64>(st.st_dev), static_cast<quint64>(st.st_ino)};
    QImageReader reader(&file);
    const QSize size = reader.size();  // from the header, nothing decoded yet
    if (size.isValid() && static_cast<qint64>(size.width()) * size.height() > kMaxPixels)
        throw QuivetError(QuivetError::Kind::BadFile,
                          "Figure file " + asWritten + " is too large to show (" + std::to_string(size.width()) + " x " +
                              std::to_string(size.height()) + " pixels; a form shows pictures of up to " +
                              std::to_string(kMaxPixels) + " pixels)");
    // The reader fills a cut-off bitmap with black without a word: a bitmap's
    // header must promise no more pixels than the file holds.
    if (reader.format() == "bmp") {
        QFile file(path);
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        if (bytes.size() < 14 ||
            !pal::dibToBmp(std::string_view(bytes.constData() + 14, static_cast<std::size_t>(bytes.size() - 14))))
            throw QuivetError(QuivetError::Kind::BadFile, "Figure file " + asWritten + " is truncated or damaged");
    }
    const QImage image = reader.read();
    if (image.isNull()) throw QuivetError(QuivetError::Kind::BadFile, "Figure file " + asWritten + " is not a picture");
    const QPixmap pixmap = QPixmap::fromImage(image);
    decoded_.insert(key, pixmap);
    return pixmap;
}
