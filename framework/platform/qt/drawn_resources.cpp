#include "framework/platform/qt/drawn_resources.h"

#include <QFileInfo>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "framework/platform/core/encoding.h"

namespace dbprobe::platform {
namespace {

constexpr std::string_view kDatabaseIcon = "DatabaseImport.ico";
constexpr std::string_view kBlueWallpaper = "back_blue.jpg";

bool SameName(std::string_view a, std::string_view b) {
    return QString::fromLatin1(a.data(), static_cast<qsizetype>(a.size()))
               .compare(QString::fromLatin1(b.data(), static_cast<qsizetype>(b.size())),
                        Qt::CaseInsensitive) == 0;
}

// A database drum: a shaded cylinder with two rims, readable down to 16 px.
QPixmap DrawDatabase(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    const qreal margin = size / 16.0;
    const qreal left = margin * 2, right = size - margin * 2, width = right - left;
    const qreal capHeight = size / 4.0;
    const qreal top = margin, bottom = size - margin;

    QLinearGradient body(left, 0, right, 0);
    body.setColorAt(0.0, QColor(0x2f, 0x5f, 0x9e));
    body.setColorAt(0.45, QColor(0x8c, 0xb8, 0xea));
    body.setColorAt(1.0, QColor(0x24, 0x4a, 0x7c));
    const QPen outline(QColor(0x1a, 0x33, 0x55), qMax(1.0, size / 32.0));
    painter.setPen(outline);

    QPainterPath drum;
    drum.moveTo(left, top + capHeight / 2);
    drum.lineTo(left, bottom - capHeight / 2);
    drum.arcTo(QRectF(left, bottom - capHeight, width, capHeight), 180, 180);
    drum.lineTo(right, top + capHeight / 2);
    drum.arcTo(QRectF(left, top, width, capHeight), 0, 180);
    painter.setBrush(body);
    painter.drawPath(drum);

    // The rims between the stacked platters.
    painter.setBrush(Qt::NoBrush);
    const qreal span = bottom - top - capHeight;
    for (int rim = 1; rim <= 2; ++rim) {
        const qreal y = top + span * rim / 3.0;
        painter.drawArc(QRectF(left, y, width, capHeight), 180 * 16, 180 * 16);
    }

    painter.setBrush(QColor(0xc6, 0xdd, 0xf7));
    painter.drawEllipse(QRectF(left, top, width, capHeight));
    return pixmap;
}

QIcon DatabaseIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64}) icon.addPixmap(DrawDatabase(size));
    return icon;
}

// Soft enough to keep black text legible anywhere on it.
QPixmap BlueWallpaper() {
    QPixmap pixmap(64, 512);
    QPainter painter(&pixmap);
    QLinearGradient gradient(0, 0, 0, pixmap.height());
    gradient.setColorAt(0.0, QColor(0xe6, 0xf0, 0xfb));
    gradient.setColorAt(1.0, QColor(0x9e, 0xbf, 0xe6));
    painter.fillRect(pixmap.rect(), gradient);
    return pixmap;
}

// The name as a file, when it names a readable image.
QString ImageFile(std::string_view w1250Name) {
    if (w1250Name.empty()) return {};
    const QString path = QString::fromStdString(ToUtf8(w1250Name));
    if (!QFileInfo(path).isFile() || !QImageReader(path).canRead()) return {};
    return path;
}

}  // namespace

QIcon ResourceIcon(std::string_view w1250Name) {
    if (SameName(w1250Name, kDatabaseIcon)) return DatabaseIcon();
    if (SameName(w1250Name, kBlueWallpaper)) return QIcon(BlueWallpaper());
    const QString path = ImageFile(w1250Name);
    return path.isEmpty() ? QIcon() : QIcon(path);
}

QPixmap ResourcePicture(std::string_view w1250Name) {
    if (SameName(w1250Name, kBlueWallpaper)) return BlueWallpaper();
    if (SameName(w1250Name, kDatabaseIcon)) return DrawDatabase(64);
    const QString path = ImageFile(w1250Name);
    return path.isEmpty() ? QPixmap() : QPixmap(path);
}

}  // namespace dbprobe::platform
