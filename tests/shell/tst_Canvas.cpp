// The preview control: where a picture lands, what an empty control shows, and the turn of
// the pixel buffer's bottom-up rows into a screen image.

#include "controls/ucCanvas.h"
#include "shell/DibImage.h"

#include <QTest>

using namespace pellvane;

namespace {

// A buffer of one colour; `bgra` as the buffer stores it.
cDIBSection SolidPicture(int width, int height, std::array<uint8_t, 4> bgra) {
    cDIBSection picture;
    picture.InitializeDIB(width, height);
    std::span<uint8_t> bytes = picture.BitsPointer();
    for (size_t i = 0; i < bytes.size(); i += 4)
        std::copy(bgra.begin(), bgra.end(), bytes.begin() + long(i));
    return picture;
}

// A control of a fixed size without a frame, so that its area is the whole widget.
std::unique_ptr<ucCanvas> Canvas(int width, int height) {
    auto canvas = std::make_unique<ucCanvas>();
    canvas->SetStaticEdge(false);
    canvas->resize(width, height);
    return canvas;
}

} // namespace

class CanvasTest : public QObject {
    Q_OBJECT

  private slots:
    void fittedPictureIsShrunkOrKeptAndCentred_data();
    void fittedPictureIsShrunkOrKeptAndCentred();
    void actualSizeModeCentresAndClipsTheZoomedPicture();
    void emptyControlShowsItsTextCentred();
    void pictureIsDrawnOverTheBackground();
    void bufferRowsAreTurnedTopDown();
};

void CanvasTest::fittedPictureIsShrunkOrKeptAndCentred_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QRect>("drawn");
    QTest::newRow("4000 x 3000 shrinks to 400 x 300") << QSize(4000, 3000) << QRect(0, 50, 400, 300);
    QTest::newRow("200 x 100 keeps its size") << QSize(200, 100) << QRect(100, 150, 200, 100);
    QTest::newRow("tall picture") << QSize(1000, 2000) << QRect(100, 0, 200, 400);
    QTest::newRow("exactly the control") << QSize(400, 400) << QRect(0, 0, 400, 400);
}

void CanvasTest::fittedPictureIsShrunkOrKeptAndCentred() {
    QFETCH(QSize, picture);
    QFETCH(QRect, drawn);
    auto canvas = Canvas(400, 400);
    canvas->SetFitMode(true);
    cDIBSection buffer;
    QVERIFY(buffer.InitializeDIB(picture.width(), picture.height()));
    canvas->SetPicture(std::move(buffer));
    canvas->Resize();
    QCOMPARE(canvas->PictureRect(), drawn);
    QVERIFY(!canvas->TextPosition());
}

void CanvasTest::actualSizeModeCentresAndClipsTheZoomedPicture() {
    auto canvas = Canvas(400, 400);
    canvas->SetFitMode(false);
    canvas->SetZoom(2);
    canvas->SetPicture(SolidPicture(100, 300, {0, 0, 255, 255}));
    canvas->Resize();
    // 200 wide fits and is centred; 600 high is cut to the control's height.
    QCOMPARE(canvas->PictureRect(), QRect(100, 0, 200, 400));
}

void CanvasTest::emptyControlShowsItsTextCentred() {
    auto canvas = Canvas(300, 200);
    canvas->SetFitMode(true);
    canvas->SetText("Preview Error");
    canvas->Resize();
    QVERIFY(canvas->PictureRect().isEmpty());

    const QFontMetrics metrics(canvas->font());
    const QSize text = metrics.size(Qt::TextSingleLine, "Preview Error");
    const std::optional<QPoint> position = canvas->TextPosition();
    QVERIFY(position);
    QVERIFY(qAbs(position->x() - (300 - text.width()) / 2) <= 1);
    QVERIFY(qAbs(position->y() - (200 - text.height()) / 2) <= 1);

    // The text is drawn in dark grey over the empty-area colour, and only near the middle.
    const QImage shown = canvas->grab().toImage();
    const QColor background = canvas->palette().color(QPalette::Dark);
    QCOMPARE(shown.pixelColor(2, 2).rgb(), background.rgb());
    QCOMPARE(shown.pixelColor(297, 197).rgb(), background.rgb());
    bool darkText = false;
    for (int x = position->x(); x < position->x() + text.width(); ++x) {
        for (int y = position->y(); y < position->y() + text.height(); ++y) {
            const QColor c = shown.pixelColor(x, y);
            darkText = darkText || (c.red() < 110 && c.red() == c.green() && c.green() == c.blue());
        }
    }
    QVERIFY(darkText);

    canvas->SetText(QString());
    QVERIFY(!canvas->TextPosition());
}

void CanvasTest::pictureIsDrawnOverTheBackground() {
    auto canvas = Canvas(400, 400);
    canvas->SetFitMode(true);
    canvas->SetPicture(SolidPicture(200, 100, {0, 0, 255, 255})); // red, as blue-green-red-alpha
    canvas->Resize();
    const QImage shown = canvas->grab().toImage();
    QCOMPARE(shown.pixelColor(200, 200).rgb(), QColor(255, 0, 0).rgb());
    QCOMPARE(shown.pixelColor(50, 50).rgb(), canvas->palette().color(QPalette::Dark).rgb());
}

void CanvasTest::bufferRowsAreTurnedTopDown() {
    cDIBSection picture;
    QVERIFY(picture.InitializeDIB(2, 2));
    // Memory row 0 is the picture's bottom row: blue there, green on top.
    std::span<uint8_t> bottom = picture.MemoryRow(0);
    std::span<uint8_t> top = picture.MemoryRow(1);
    const uint8_t blue[] = {255, 0, 0, 255};
    const uint8_t green[] = {0, 255, 0, 255};
    std::copy(std::begin(blue), std::end(blue), bottom.begin());
    std::copy(std::begin(blue), std::end(blue), bottom.begin() + 4);
    std::copy(std::begin(green), std::end(green), top.begin());
    std::copy(std::begin(green), std::end(green), top.begin() + 4);

    const QImage image = DibToImage(picture);
    QCOMPARE(image.size(), QSize(2, 2));
    QCOMPARE(image.pixelColor(0, 0), QColor(0, 255, 0));
    QCOMPARE(image.pixelColor(1, 1), QColor(0, 0, 255));
    QVERIFY(DibToImage(cDIBSection()).isNull());
}

QTEST_MAIN(CanvasTest)
#include "tst_Canvas.moc"
