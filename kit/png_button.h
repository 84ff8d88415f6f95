#pragma once
// PngButton: the title-bar button drawn from vector glyphs ("exit", "top", "toped",
// "tray", "plus", "menu", "min", "max", "maxed", "color", and each with "_mini" for the
// small title bars, drawn with single-pixel strokes). Its state is "gray" when disabled,
// "normal" when the pointer is not over it, "down" while pressed (the text then moves one
// pixel right and down), otherwise "over"; each state has its own border, fill and glyph
// colours. "toped" and "maxed" swap border and glyph colours so an active pin or
// maximise button looks inverted. Emits clicked on a release over the button.
// UI thread only.

#include <QColor>
#include <QString>
#include <QWidget>

#include <map>

namespace krm::ui {

class PngButton : public QWidget {
    Q_OBJECT
public:
    struct StateColours {
        QColor border;
        QColor fill;
        QColor glyph;
    };

    explicit PngButton(const QString& glyph = {}, QWidget* parent = nullptr);

    void setGlyph(const QString& glyph);
    QString glyph() const { return m_glyph; }
    void setText(const QString& text);
    QString text() const { return m_text; }
    void setStateColours(const QString& state, const StateColours& colours);
    StateColours stateColours(const QString& state) const;
    void setFocusColour(const QColor& colour);
    void setFocusMarking(bool on);
    void setCornerRadius(int radius);

    // "gray", "normal", "down" or "over".
    QString stateName() const;
    // The colours the current state is drawn in, after the toped/maxed swap.
    StateColours effectiveColours() const;
    // The glyph name with a "_mini" suffix removed, and whether it was there.
    static QString baseGlyph(const QString& glyph, bool* mini = nullptr);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    QSize sizeHint() const override { return {24, 24}; }

private:
    void paintGlyph(QPainter& p, const QRectF& box, const QColor& ink) const;

    QString m_glyph;
    QString m_text;
    std::map<QString, StateColours> m_colours;
    QColor m_focusColour;
    bool m_focusMarking = true;
    int m_radius = 4;
    bool m_hover = false;
    bool m_pressed = false;
};

} // namespace krm::ui
