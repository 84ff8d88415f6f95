#pragma once
// DropList: the self-drawn drop-down list. A click on the closed control opens the list
// right under it (as wide as the control, as high as all items or the maximum drop
// height, whichever is smaller); choosing an item selects it, closes the list and emits
// listSelected. A click outside the open list, or the list losing the focus, closes it.
// Near the bottom of the screen, where the list would not fit under the control, it opens
// above it instead.
// The wheel steps through the items of a list that has the focus (it was clicked or
// tabbed to): deltas add up (limited to +-120), each full notch down selects the next item
// (stopping at the last), each notch up the previous one (stopping at the first), and
// emits listSelected even when the selection stayed put. Over a list without the focus the
// wheel is left to the page behind it, so scrolling a page never changes a list.
// With the focus, Space, Return or F4 open the list; the open list takes Up, Down, Return
// and Escape.
// UI thread only.

#include "kit/slider_math.h"

#include <QStringList>
#include <QWidget>

namespace krm::ui {

class DropListPopup;

class DropList : public QWidget {
    Q_OBJECT
public:
    explicit DropList(QWidget* parent = nullptr);
    ~DropList() override;

    void setControlId(int id) { m_id = id; }
    int controlId() const { return m_id; }

    void addItem(const QString& text);
    void setItems(const QStringList& items); // replaces the items; selection as setSelection
    void clear();                            // no items, no selection
    int count() const { return static_cast<int>(m_items.size()); }
    QString itemText(int index) const;
    // A negative index becomes 0, one beyond the last item becomes the last. Emits nothing.
    void setSelection(int index);
    int selection() const { return m_selection; }
    QString text() const { return itemText(m_selection); }

    void setMaxDropHeight(int pixels) { m_maxDropHeight = pixels; }
    int maxDropHeight() const { return m_maxDropHeight; }
    static constexpr int kRowHeight = 20;

    void openList();
    void closeList();
    bool isOpen() const;
    DropListPopup* popup() const { return m_popup; }
    bool isHovered() const { return m_hover; }

signals:
    void listSelected(int id, int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    QSize sizeHint() const override { return {110, 24}; }

private:
    void choose(int index);

    int m_id = 0;
    QStringList m_items;
    int m_selection = -1;
    int m_maxDropHeight = 300;
    bool m_hover = false;
    WheelAccumulator m_wheel;
    DropListPopup* m_popup = nullptr;
};

// The open list of a DropList: a borderless popup window, one row per item, scrolled
// by the wheel when the items do not fit. UI thread only.
class DropListPopup : public QWidget {
    Q_OBJECT
public:
    explicit DropListPopup(DropList* owner);

    void showItems(const QStringList& items, int selected, const QRect& globalArea);
    int rowAt(const QPoint& point) const; // item index under a popup pixel, or -1
    QRect rowRect(int index) const;       // popup pixels of an item (may lie outside)
    int firstVisible() const { return m_first; }

signals:
    void chosen(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int visibleRows() const;
    void scrollTo(int first);
    void ensureVisible(int index);

    QStringList m_items;
    int m_selected = -1;
    int m_hovered = -1;
    int m_first = 0;
};

} // namespace krm::ui
