// krm416x-icon: draws the program icon (three console faders on a dark panel, in the
// control kit's colours) into a PNG. A developer tool: tools/make-icon.sh runs it to
// write res/krm416x.png, which the shell compiles in as a resource.
//
//   krm416x-icon OUTPUT.png [SIZE]

#include "kit/kit_style.h"

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <array>
#include <cstdio>
#include <cstdlib>

namespace {

namespace style = krm::ui::style;

void drawIcon(QPainter& p, double size) {
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 128.0, size / 128.0); // drawn on a 128-unit grid

    const QRectF body(4, 4, 120, 120);
    QLinearGradient face(body.topLeft(), body.bottomLeft());
    face.setColorAt(0.0, style::kPanelLight.lighter(115));
    face.setColorAt(1.0, style::kWindow);
    p.setPen(QPen(style::kBorder.lighter(120), 3.0));
    p.setBrush(face);
    p.drawRoundedRect(body, 24, 24);

    // Three fader slots with their caps at different levels; the middle one is lit.
    constexpr std::array<double, 3> kSlots{36.0, 64.0, 92.0};
    constexpr std::array<double, 3> kCaps{70.0, 44.0, 82.0};
    for (std::size_t i = 0; i < kSlots.size(); ++i) {
        const double x = kSlots[i];
        style::paintGroove(p, QRectF(x - 4, 22, 8, 86), 4);
        const QRectF cap(x - 14, kCaps[i] - 8, 28, 16);
        QLinearGradient g(cap.topLeft(), cap.bottomLeft());
        g.setColorAt(0.0, QColor(150, 158, 170));
        g.setColorAt(1.0, QColor(70, 75, 84));
        p.setPen(QPen(QColor(10, 11, 14), 1.5));
        p.setBrush(g);
        p.drawRoundedRect(cap, 4, 4);
        p.setPen(QPen(i == 1 ? style::kAccent.lighter(130) : QColor(240, 240, 240), 3.0));
        p.drawLine(QPointF(cap.left() + 4, cap.center().y()),
                   QPointF(cap.right() - 4, cap.center().y()));
    }
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: krm416x-icon OUTPUT.png [SIZE]\n");
        return 2;
    }
    const int size = argc > 2 ? std::atoi(argv[2]) : 128;
    if (size < 16 || size > 1024) {
        std::fprintf(stderr, "krm416x-icon: SIZE must be 16..1024\n");
        return 2;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        drawIcon(p, size);
    }
    if (!image.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "krm416x-icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
