#pragma once
// The program's pictures ("TOOL", "START", "RATING", "STATUS", the message icons and the
// program icon) are SVG drawings in the resource file. A strip holds several equal images
// side by side; each is rendered at the size and pixel density asked for, so that it stays
// crisp at any scale.

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

#include <memory>

class QSvgRenderer;

namespace pellvane {

class ImageStrip {
  public:
    // `resource` is a Qt resource path such as ":/images/STATUS.svg"; the drawing's width is
    // split into `count` images.
    ImageStrip(const QString& resource, int count);
    ~ImageStrip();
    ImageStrip(const ImageStrip&) = delete;
    ImageStrip& operator=(const ImageStrip&) = delete;

    int Count() const { return count_; }
    // The design size of one image.
    QSize CellSize() const;
    bool IsValid() const;

    // Image `index` drawn at `size` logical pixels for a screen of `devicePixelRatio`.
    QPixmap Pixmap(int index, QSize size, qreal devicePixelRatio = 1.0) const;
    // An icon that draws image `index` afresh at whatever size it is asked for.
    QIcon Icon(int index) const;

  private:
    QString resource_;
    int count_;
    std::shared_ptr<QSvgRenderer> renderer_;
};

// The program's own icon, drawn crisp at every size.
QIcon ProgramIcon();

} // namespace pellvane
