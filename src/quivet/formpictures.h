// FormPictures: the pictures of one QUIVET form. Each picture file is decoded
// once and shared by every picture line that names it, however the name is
// spelled, and a picture larger than the bound is refused from its header's
// size before it is decoded.
#pragma once
#include <QHash>
#include <QPixmap>
#include <QString>
#include <string>
#include <utility>

class FormPictures {
public:
    static constexpr qint64 kMaxPixels = 4096LL * 4096;  // 64 MB decoded

    // The picture at path; throws quivet::QuivetError naming asWritten when the
    // file is no picture or too large.
    QPixmap picture(const QString& path, const std::string& asWritten);

private:
    // By the file itself (device and inode): "BIG.BMP", "./BIG.BMP" and a link
    // to it are one picture.
    QHash<std::pair<quint64, quint64>, QPixmap> decoded_;
};
