#pragma once
// The preview control: shows a pixel buffer fitted into its area and centred, or at actual
// size times a zoom with panning by mouse drag. Without a picture it shows its text in the
// middle ("Preview Error" in the program).

#include "imaging/cDIBSection.h"

#include <QFrame>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>
#include <optional>

namespace pellvane {

class ucCanvas : public QFrame {
    Q_OBJECT

  public:
    explicit ucCanvas(QWidget* parent = nullptr);

    // Replaces the picture shown; call Resize and Repaint afterwards, as after any change of
    // the properties below.
    void SetPicture(cDIBSection picture);
    const cDIBSection& Picture() const { return picture_; }

    bool FitMode() const { return fitMode_; }
    void SetFitMode(bool on) { fitMode_ = on; }
    int32_t Zoom() const { return zoom_; }
    void SetZoom(int32_t zoom) { zoom_ = zoom < 1 ? 1 : zoom; }
    bool MapView() const { return mapView_; }
    void SetMapView(bool on) { mapView_ = on; }
    int32_t WorkMode() const { return workMode_; }
    void SetWorkMode(int32_t mode) { workMode_ = mode; }
    // The sunken edge, for styles that draw themed controls.
    bool StaticEdge() const { return frameShape() != QFrame::NoFrame; }
    void SetStaticEdge(bool on);
    const QString& Text() const { return text_; }
    void SetText(const QString& text);

    // Recomputes where the picture is drawn; also runs whenever the control changes size.
    void Resize();
    void Repaint() { update(); }

    // Where the picture lands inside the control, empty when there is none.
    QRect PictureRect() const { return pictureRect_; }
    // The top-left corner of the centred text, or nothing when no text is drawn.
    std::optional<QPoint> TextPosition() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void LayOutFitted();
    void LayOutActualSize();
    void PaintBackground(QPainter& painter) const;
    void PaintPicture(QPainter& painter);
    void PaintText(QPainter& painter) const;
    QRect Area() const { return contentsRect(); }

    cDIBSection picture_;
    QImage image_;        // the picture as drawn, converted once per SetPicture
    QPixmap scaledCache_; // the fitted picture at screen resolution, rebuilt after a layout
    bool fitMode_ = false;
    int32_t zoom_ = 1;
    int32_t workMode_ = 0;
    bool mapView_ = false;
    QString text_;

    QRect pictureRect_;
    QPoint panRange_;
    QPoint panPosition_;
    std::optional<QPoint> dragStart_;
};

} // namespace pellvane
