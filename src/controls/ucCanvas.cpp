#include "controls/ucCanvas.h"

#include "shell/DibImage.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace pellvane {
namespace {

constexpr int kGridStep = 12;
constexpr int kGridStart = 9;

int HalfEven(double value) {
    return static_cast<int>(std::nearbyint(value));
}

// A pan position keeps its place in proportion when the range changes, or starts centred.
int CarriedPan(int oldPosition, int oldRange, int newRange) {
    if (oldRange <= 0) return newRange / 2;
    return static_cast<int>(int64_t(oldPosition) * newRange / oldRange);
}

} // namespace

ucCanvas::ucCanvas(QWidget* parent) : QFrame(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFrameShape(QFrame::NoFrame);
}

void ucCanvas::SetPicture(cDIBSection picture) {
    picture_ = std::move(picture);
    image_ = DibToImage(picture_);
    scaledCache_ = {};
}

void ucCanvas::SetStaticEdge(bool on) {
    setFrameShape(on ? QFrame::StyledPanel : QFrame::NoFrame);
    setFrameShadow(QFrame::Sunken);
}

void ucCanvas::SetText(const QString& text) {
    text_ = text;
    update();
}

void ucCanvas::Resize() {
    scaledCache_ = {};
    pictureRect_ = {};
    if (image_.isNull()) {
        panRange_ = {};
        panPosition_ = {};
        return;
    }
    if (fitMode_) {
        LayOutFitted();
    } else {
        LayOutActualSize();
    }
}

void ucCanvas::LayOutFitted() {
    panRange_ = {};
    panPosition_ = {};
    const QRect area = Area();
    const std::optional<BestFit> fit = picture_.GetBestFitInfo(area.width(), area.height(), false);
    if (fit) pictureRect_ = QRect(area.left() + fit->left, area.top() + fit->top, fit->width, fit->height);
}

void ucCanvas::LayOutActualSize() {
    const QRect area = Area();
    const int scaledWidth = image_.width() * zoom_;
    const int scaledHeight = image_.height() * zoom_;
    const QPoint newRange(std::max(scaledWidth - area.width(), 0), std::max(scaledHeight - area.height(), 0));
    const int width = std::min(scaledWidth, area.width());
    const int height = std::min(scaledHeight, area.height());
    panPosition_ = {CarriedPan(panPosition_.x(), panRange_.x(), newRange.x()),
                    CarriedPan(panPosition_.y(), panRange_.y(), newRange.y())};
    panRange_ = newRange;
    pictureRect_ = QRect(area.left() + (area.width() - width) / 2, area.top() + (area.height() - height) / 2,
                         width, height);
}

std::optional<QPoint> ucCanvas::TextPosition() const {
    if (!image_.isNull() || text_.isEmpty()) return std::nullopt;
    const QFontMetrics metrics(font());
    const QRect area = Area();
    const QSize textSize = metrics.size(Qt::TextSingleLine, text_);
    return QPoint(area.left() + HalfEven((area.width() - textSize.width()) / 2.0),
                  area.top() + HalfEven((area.height() - textSize.height()) / 2.0));
}

void ucCanvas::paintEvent(QPaintEvent*) {
    // QWidget paints into a back buffer and shows it in one go, which is what the off-screen
    // surface of a hand-made double buffer would achieve.
    QPainter painter(this);
    painter.setClipRect(Area());
    PaintBackground(painter);
    if (!image_.isNull()) {
        PaintPicture(painter);
    } else {
        PaintText(painter);
    }
    painter.setClipping(false);
    drawFrame(&painter);
}

void ucCanvas::PaintBackground(QPainter& painter) const {
    const QRect area = Area();
    const bool opaqueFromCorner = !image_.isNull() && picture_.Alpha() == alpha_class::kOpaque &&
                                  pictureRect_.topLeft() == area.topLeft();
    if (!mapView_) {
        painter.fillRect(area, palette().color(QPalette::Dark));
        return;
    }
    if (opaqueFromCorner) return;
    const QColor face = palette().color(QPalette::Button);
    painter.fillRect(area, face);
    const QColor line(std::abs(face.red() - 15), std::abs(face.green() - 15), std::abs(face.blue() - 15));
    painter.setPen(line);
    for (int x = kGridStart; x < area.width(); x += kGridStep)
        painter.drawLine(area.left() + x, area.top(), area.left() + x, area.bottom());
    for (int y = kGridStart; y < area.height(); y += kGridStep)
        painter.drawLine(area.left(), area.top() + y, area.right(), area.top() + y);
}

void ucCanvas::PaintPicture(QPainter& painter) {
    if (pictureRect_.isEmpty()) return;
    if (fitMode_) {
        // The fitted picture is scaled once per layout, smoothly, at the screen's resolution.
        const qreal ratio = devicePixelRatioF();
        const QSize target = pictureRect_.size() * ratio;
        if (scaledCache_.isNull() || scaledCache_.size() != target) {
            scaledCache_ =
                QPixmap::fromImage(image_.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
            scaledCache_.setDevicePixelRatio(ratio);
        }
        painter.drawPixmap(pictureRect_.topLeft(), scaledCache_);
        return;
    }
    // Actual size: the visible part of the picture, enlarged by whole pixels.
    const QRect source(panPosition_.x() / zoom_, panPosition_.y() / zoom_, pictureRect_.width() / zoom_ + 2,
                       pictureRect_.height() / zoom_ + 2);
    const QRect target(pictureRect_.left() - panPosition_.x() % zoom_,
                       pictureRect_.top() - panPosition_.y() % zoom_, source.width() * zoom_,
                       source.height() * zoom_);
    painter.save();
    painter.setClipRect(pictureRect_);
    painter.drawImage(target, image_, source);
    painter.restore();
}

void ucCanvas::PaintText(QPainter& painter) const {
    const std::optional<QPoint> position = TextPosition();
    if (!position) return;
    const QFontMetrics metrics(font());
    painter.setFont(font());
    const int grey = mapView_ ? 160 : 80;
    painter.setPen(QColor(grey, grey, grey));
    painter.drawText(QPoint(position->x(), position->y() + metrics.ascent()), text_);
}

void ucCanvas::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    Resize();
}

void ucCanvas::mousePressEvent(QMouseEvent* event) {
    if (!fitMode_ && event->button() == Qt::LeftButton)
        dragStart_ = event->position().toPoint() + panPosition_;
    QFrame::mousePressEvent(event); // the container hears the click as well
}

void ucCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (dragStart_) {
        const QPoint wanted = *dragStart_ - event->position().toPoint();
        panPosition_ = {std::clamp(wanted.x(), 0, panRange_.x()), std::clamp(wanted.y(), 0, panRange_.y())};
        update();
    }
    QFrame::mouseMoveEvent(event);
}

void ucCanvas::mouseReleaseEvent(QMouseEvent* event) {
    dragStart_.reset();
    QFrame::mouseReleaseEvent(event);
}

} // namespace pellvane
