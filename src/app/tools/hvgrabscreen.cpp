// Saves a picture of the X screen, cropped to what is drawn on the black root window, once the
// picture has stopped changing. scripts/screenshot runs it beside the program on Xvfb.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QThread>

#include <algorithm>
#include <cstdio>

namespace {
QRect fncDrawnArea(const QImage& img)
{
    int intLeft = img.width(), intTop = img.height(), intRight = -1, intBottom = -1;
    for (int y = 0; y < img.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            if ((line[x] & 0xFFFFFF) == 0)
                continue;
            intLeft = std::min(intLeft, x);
            intRight = std::max(intRight, x);
            intTop = std::min(intTop, y);
            intBottom = std::max(intBottom, y);
        }
    }
    if (intRight < 0)
        return {};
    return QRect(QPoint(intLeft, intTop), QPoint(intRight, intBottom));
}
} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: hvgrabscreen OUTPUT.png [TIMEOUT_SECONDS]\n");
        return 2;
    }
    const QString strOut = QString::fromLocal8Bit(argv[1]);
    const int intTimeoutMs = (argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 30) * 1000;
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        std::fprintf(stderr, "hvgrabscreen: no screen\n");
        return 1;
    }
    QImage imgLast;
    int intStable = 0;
    for (int intWaited = 0; intWaited < intTimeoutMs; intWaited += 250) {
        QThread::msleep(250);
        const QImage img = screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
        const QRect rect = fncDrawnArea(img);
        if (rect.isEmpty()) {
            intStable = 0;
            continue;
        }
        // The window refills itself half a second after it appears: wait for a quiet second.
        intStable = (img == imgLast) ? intStable + 1 : 0;
        imgLast = img;
        if (intStable >= 4) {
            if (!img.copy(rect).save(strOut)) {
                std::fprintf(stderr, "hvgrabscreen: cannot write %s\n", qPrintable(strOut));
                return 1;
            }
            std::printf("%s (%dx%d)\n", qPrintable(strOut), rect.width(), rect.height());
            return 0;
        }
    }
    std::fprintf(stderr, "hvgrabscreen: nothing appeared on the screen\n");
    return 1;
}
