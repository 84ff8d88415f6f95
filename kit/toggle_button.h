#pragma once
// ToggleButton: a two-state button, drawn lit (on) or dark (off), with a text. The state
// belongs to the page: a click only emits clicked, and the page flips what it stores and
// calls setState. A double-click counts as a second click, so two fast clicks toggle
// twice. The hover look shows while the pointer is over it. With setDisplayOnly(true) it
// is an indicator that ignores the mouse. UI thread only.

#include <QColor>
#include <QString>
#include <QWidget>

namespace krm::ui {

class ToggleButton : public QWidget {
    Q_OBJECT
public:
    explicit ToggleButton(const QString& text = {}, QWidget* parent = nullptr);

    void setControlId(int id) { m_id = id; }
    int controlId() const { return m_id; }

    void setState(bool on);
    bool state() const { return m_on; }
    void setText(const QString& text);
    QString text() const { return m_text; }
    void setTextColor(const QColor& colour);
    // The colour the button glows in while on (the "on image").
    void setLitColor(const QColor& colour);
    QColor litColor() const { return m_lit; }
    void setDisplayOnly(bool displayOnly);
    bool isHovered() const { return m_hover; }
    void setTextPixelSize(int pixels);

signals:
    void clicked(int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    QSize sizeHint() const override { return {90, 24}; }

private:
    int m_id = 0;
    bool m_on = false;
    bool m_hover = false;
    bool m_pressed = false;
    bool m_keyboardFocus = false; // the focus mark shows only when tabbed to
    QString m_text;
    QColor m_textColour;
    QColor m_lit;
    int m_textPixels = 12;
};

} // namespace krm::ui
