#pragma once
// TextLabel: a single line of static text with a pixel font size, an alignment and a
// colour, painted in the console look (optionally on a dark plate). UI thread only.

#include <QColor>
#include <QString>
#include <QWidget>

namespace krm::ui {

class TextLabel : public QWidget {
    Q_OBJECT
public:
    explicit TextLabel(const QString& text = {}, QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return m_text; }
    void setPixelSize(int pixels);
    void setAlignment(Qt::Alignment alignment);
    void setColor(const QColor& colour);
    void setBold(bool bold);
    // A recessed plate behind the text (readouts, channel labels).
    void setPlate(bool plate);

protected:
    void paintEvent(QPaintEvent* event) override;
    QSize sizeHint() const override;

private:
    QString m_text;
    int m_pixels = 12;
    Qt::Alignment m_alignment = Qt::AlignCenter;
    QColor m_colour;
    bool m_bold = false;
    bool m_plate = false;
};

} // namespace krm::ui
