#include "shell/ImageStrip.h"

#include <QIconEngine>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>

namespace pellvane {
namespace {

QRectF CellRect(const QSvgRenderer& renderer, int index, int count) {
    const QRectF box = renderer.viewBoxF();
    const qreal width = box.width() / std::max(count, 1);
    return {box.x() + width * index, box.y(), width, box.height()};
}

void RenderCell(QSvgRenderer& renderer, int index, int count, QPainter& painter, const QRectF& target) {
    // The view box selects the cell, but the renderer still draws the neighbouring cells
    // beside the target, so the painter is clipped to it.
    const QRectF whole = renderer.viewBoxF();
    painter.save();
    painter.setClipRect(target, Qt::IntersectClip);
    renderer.setViewBox(CellRect(renderer, index, count));
    renderer.render(&painter, target);
    renderer.setViewBox(whole);
    painter.restore();
}

// Draws one cell of a strip for every size a widget asks for, instead of scaling a bitmap.
class StripIconEngine final : public QIconEngine {
  public:
    StripIconEngine(std::shared_ptr<QSvgRenderer> renderer, int index, int count)
        : renderer_(std::move(renderer)), index_(index), count_(count) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        // A disabled control shows its icon faded rather than in full colour.
        if (mode == QIcon::Disabled) painter->setOpacity(0.4);
        RenderCell(*renderer_, index_, count_, *painter, rect);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
        QPixmap pixmap(size * scale);
        pixmap.fill(Qt::transparent);
        {
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            paint(&painter, QRect(QPoint(0, 0), size * scale), mode, state);
        }
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new StripIconEngine(renderer_, index_, count_); }
    QString key() const override { return QStringLiteral("pellvane-strip"); }

  private:
    std::shared_ptr<QSvgRenderer> renderer_;
    int index_;
    int count_;
};

} // namespace

ImageStrip::ImageStrip(const QString& resource, int count)
    : resource_(resource), count_(std::max(count, 1)), renderer_(std::make_shared<QSvgRenderer>(resource)) {}

ImageStrip::~ImageStrip() = default;

bool ImageStrip::IsValid() const {
    return renderer_->isValid();
}

QSize ImageStrip::CellSize() const {
    return CellRect(*renderer_, 0, count_).size().toSize();
}

QPixmap ImageStrip::Pixmap(int index, QSize size, qreal devicePixelRatio) const {
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.fill(Qt::transparent);
    if (index >= 0 && index < count_) {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        RenderCell(*renderer_, index, count_, painter,
                   QRectF(QPointF(0, 0), QSizeF(size * devicePixelRatio)));
    }
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

QIcon ImageStrip::Icon(int index) const {
    if (index < 0 || index >= count_) return {};
    // QIcon takes ownership of the engine it is given.
    return QIcon(new StripIconEngine(renderer_, index, count_));
}

QIcon ProgramIcon() {
    static const ImageStrip icon(QStringLiteral(":/images/ICON.svg"), 1);
    return icon.Icon(0);
}

} // namespace pellvane
