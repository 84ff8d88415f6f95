#include "kit/kit_style.h"

#include <QFontDatabase>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace krm::ui::style {

namespace {

QString pickFamily() {
    const QStringList families = QFontDatabase::families();
    for (const char* wanted :
         {"Arial Unicode MS", "WenQuanYi Micro Hei", "Noto Sans CJK SC", "Droid Sans Fallback"}) {
        if (families.contains(QString::fromLatin1(wanted)))
            return QString::fromLatin1(wanted);
    }
    return QFont().family();
}

} // namespace

QFont font(int pixelSize, bool bold) {
    static const QString family = pickFamily();
    QFont f(family);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

void paintPanel(QPainter& p, const QRectF& r, qreal radius, const QColor& base,
                const QColor& border) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0.0, base.lighter(118));
    g.setColorAt(1.0, base.darker(112));
    p.setPen(QPen(border, 1.0));
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

void paintButtonFace(QPainter& p, const QRectF& r, bool lit, const QColor& litColour, bool hover,
                     bool sunken) {
    const QRectF body = r.adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient g(body.topLeft(), body.bottomLeft());
    if (lit) {
        const QColor c = hover ? litColour.lighter(112) : litColour;
        g.setColorAt(0.0, c.lighter(125));
        g.setColorAt(0.5, c);
        g.setColorAt(1.0, c.darker(125));
        p.setPen(QPen(c.lighter(150), 1.0));
    } else {
        const QColor c = hover ? kPanelLight.lighter(115) : kPanelLight;
        g.setColorAt(0.0, sunken ? c.darker(120) : c.lighter(120));
        g.setColorAt(1.0, sunken ? c : c.darker(125));
        p.setPen(QPen(hover ? kBorder.lighter(140) : kBorder, 1.0));
    }
    p.setBrush(g);
    p.drawRoundedRect(body, 4, 4);
}

void paintFocusRing(QPainter& p, const QRectF& r, qreal radius) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kFocusRing, 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(2, 2, -2, -2), radius, radius);
    p.restore();
}

QString focusStyleSheet() {
    const QString ring = kFocusRing.name(QColor::HexRgb);
    return QStringLiteral("QLineEdit:focus { border: 2px solid %1; }"
                          "QPushButton:focus { border: 2px solid %1; }"
                          "QAbstractItemView::item:focus { border: 2px solid %1; }")
        .arg(ring);
}

QString dialogStyleSheet() {
    const auto rgb = [](const QColor& c) { return c.name(QColor::HexRgb); };
    return QStringLiteral(
               "QDialog, QMessageBox { background: %1; }"
               "QLabel { color: %2; background: transparent; }"
               "QPushButton { color: %2; border: 1px solid %3; border-radius: 4px;"
               " padding: 5px 18px; min-width: 64px;"
               " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %4, stop:1 %5); }"
               "QPushButton:hover { border-color: %6; }"
               "QPushButton:pressed { background: %7; }"
               "QPushButton:default { border: 1px solid %8; }")
               .arg(rgb(kPanel), rgb(kText), rgb(kBorder), rgb(kPanelLight.lighter(120)),
                    rgb(kPanelLight.darker(125)), rgb(kBorder.lighter(150)),
                    rgb(kPanel.darker(120)), rgb(kAccent)) +
           focusStyleSheet();
}

void paintGroove(QPainter& p, const QRectF& r, qreal radius) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0.0, kGroove);
    g.setColorAt(1.0, kGroove.lighter(140));
    p.setPen(QPen(QColor(0, 0, 0, 160), 1.0));
    p.setBrush(g);
    p.drawRoundedRect(r, radius, radius);
}

} // namespace krm::ui::style
