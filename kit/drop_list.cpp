#include "kit/drop_list.h"

#include "kit/kit_style.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QWheelEvent>

#include <algorithm>

namespace krm::ui {

namespace {

// Where the open list goes (global pixels): under the control when the screen has room
// for it there, else above it; when neither side has room, on the roomier side, cut to
// whole rows. Kept inside the screen sideways as well.
QRect dropArea(const QRect& control, int height, const QRect& screen) {
    if (!screen.isValid())
        return {control.left(), control.bottom() + 1, control.width(), height};
    const int x = std::clamp(control.left(), screen.left(),
                             std::max(screen.left(), screen.right() + 1 - control.width()));
    const int below = screen.bottom() - control.bottom();
    const int above = control.top() - screen.top();
    const auto wholeRows = [](int room) {
        return std::max(DropList::kRowHeight, room / DropList::kRowHeight * DropList::kRowHeight);
    };
    if (height <= below || (height > above && below >= above)) {
        const int h = std::min(height, wholeRows(below));
        return {x, control.bottom() + 1, control.width(), h};
    }
    const int h = std::min(height, wholeRows(above));
    return {x, control.top() - h, control.width(), h};
}

} // namespace

DropList::DropList(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::StrongFocus);
}

DropList::~DropList() {
    delete m_popup;
}

void DropList::addItem(const QString& text) {
    m_items.append(text);
    if (m_selection < 0)
        m_selection = 0;
    update();
}

void DropList::setItems(const QStringList& items) {
    const int keep = m_selection;
    m_items = items;
    m_selection = -1;
    setSelection(keep);
}

void DropList::clear() {
    closeList();
    m_items.clear();
    m_selection = -1;
    update();
}

QString DropList::itemText(int index) const {
    if (index < 0 || index >= m_items.size())
        return {};
    return m_items.at(index);
}

void DropList::setSelection(int index) {
    if (m_items.isEmpty()) {
        m_selection = -1;
    } else {
        m_selection = std::clamp(index, 0, static_cast<int>(m_items.size()) - 1);
    }
    update();
}

void DropList::choose(int index) {
    setSelection(index);
    closeList();
    emit listSelected(m_id, m_selection);
}

void DropList::openList() {
    if (m_items.isEmpty() || !isEnabled())
        return;
    if (!m_popup) {
        m_popup = new DropListPopup(this);
        connect(m_popup, &DropListPopup::chosen, this, &DropList::choose);
    }
    const int height = std::min(static_cast<int>(m_items.size()) * kRowHeight, m_maxDropHeight);
    const QRect control(mapToGlobal(QPoint(0, 0)), size());
    const QScreen* screen = QGuiApplication::screenAt(control.center());
    if (!screen)
        screen = this->screen();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    m_popup->showItems(m_items, m_selection,
                       dropArea(control, std::max(height, kRowHeight), available));
    update();
}

void DropList::closeList() {
    if (m_popup && m_popup->isVisible())
        m_popup->hide();
    update();
}

bool DropList::isOpen() const {
    return m_popup && m_popup->isVisible();
}

void DropList::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    // A clicked list takes the wheel from now on (and gets it back when its open list
    // closes).
    setFocus(Qt::MouseFocusReason);
    if (isOpen())
        closeList();
    else
        openList();
}

void DropList::wheelEvent(QWheelEvent* event) {
    // Ignored, the event goes on to the page behind the list, which scrolls.
    if (m_items.isEmpty() || !isEnabled() || !hasFocus()) {
        event->ignore();
        return;
    }
    const int step = m_wheel.add(event->angleDelta().y());
    if (step != 0) {
        setSelection(m_selection + step);
        emit listSelected(m_id, m_selection);
    }
    event->accept();
}

void DropList::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F4:
        openList();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void DropList::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void DropList::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    // Half a notch left over must not count towards a step after the focus comes back.
    m_wheel.reset();
    update();
}

void DropList::enterEvent(QEnterEvent* event) {
    m_hover = true;
    update();
    QWidget::enterEvent(event);
}

void DropList::leaveEvent(QEvent* event) {
    m_hover = false;
    update();
    QWidget::leaveEvent(event);
}

void DropList::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    const QColor base = m_hover || isOpen() ? QColor(22, 40, 56) : QColor(18, 20, 24);
    g.setColorAt(0.0, base);
    g.setColorAt(1.0, base.lighter(130));
    p.setBrush(g);
    p.setPen(QPen(m_hover || hasFocus() ? style::kAccent : style::kBorder, 1.0));
    p.drawRoundedRect(r, 3.0, 3.0);
    if (hasFocus())
        style::paintFocusRing(p, QRectF(rect()).adjusted(-1, -1, 1, 1), 3.0);

    // Arrow box on the right.
    const int arrowWidth = std::min(18, width() / 4);
    const QRectF arrowBox(r.right() - arrowWidth, r.top(), arrowWidth, r.height());
    p.setPen(QPen(style::kBorder, 1.0));
    p.drawLine(arrowBox.topLeft() + QPointF(0, 3), arrowBox.bottomLeft() - QPointF(0, 3));
    QPainterPath arrow;
    const QPointF c = arrowBox.center();
    arrow.moveTo(c.x() - 4, c.y() - 2);
    arrow.lineTo(c.x() + 4, c.y() - 2);
    arrow.lineTo(c.x(), c.y() + 3);
    arrow.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(isEnabled() ? style::kText : style::kTextDim);
    p.drawPath(arrow);

    p.setFont(style::font(std::clamp(height() - 11, 9, 13)));
    p.setPen(isEnabled() ? style::kText : style::kTextDim);
    p.drawText(QRectF(r.left() + 6, r.top(), r.width() - arrowWidth - 8, r.height()),
               Qt::AlignVCenter | Qt::AlignLeft, text());
}

DropListPopup::DropListPopup(DropList* owner) : QWidget(owner, Qt::Popup) {
    setAttribute(Qt::WA_NoMouseReplay);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

void DropListPopup::showItems(const QStringList& items, int selected, const QRect& globalArea) {
    m_items = items;
    m_selected = selected;
    m_hovered = selected;
    m_first = 0;
    setGeometry(globalArea);
    ensureVisible(selected);
    show();
    setFocus(Qt::PopupFocusReason);
    update();
}

int DropListPopup::visibleRows() const {
    return std::max(1, height() / DropList::kRowHeight);
}

void DropListPopup::scrollTo(int first) {
    const int last = std::max(0, static_cast<int>(m_items.size()) - visibleRows());
    m_first = std::clamp(first, 0, last);
    update();
}

void DropListPopup::ensureVisible(int index) {
    if (index < m_first)
        scrollTo(index);
    else if (index >= m_first + visibleRows())
        scrollTo(index - visibleRows() + 1);
}

QRect DropListPopup::rowRect(int index) const {
    return QRect(0, (index - m_first) * DropList::kRowHeight, width(), DropList::kRowHeight);
}

int DropListPopup::rowAt(const QPoint& point) const {
    if (!rect().contains(point))
        return -1;
    const int index = m_first + point.y() / DropList::kRowHeight;
    return index < m_items.size() ? index : -1;
}

void DropListPopup::mouseMoveEvent(QMouseEvent* event) {
    const int row = rowAt(event->position().toPoint());
    if (row != m_hovered && row >= 0) {
        m_hovered = row;
        update();
    }
}

void DropListPopup::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const int row = rowAt(event->position().toPoint());
    if (row >= 0)
        emit chosen(row);
}

void DropListPopup::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y() / 120;
    scrollTo(m_first - (notches != 0 ? notches : (event->angleDelta().y() > 0 ? 1 : -1)));
    event->accept();
}

void DropListPopup::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
        m_hovered = std::max(0, m_hovered - 1);
        ensureVisible(m_hovered);
        update();
        break;
    case Qt::Key_Down:
        m_hovered = std::min(static_cast<int>(m_items.size()) - 1, m_hovered + 1);
        ensureVisible(m_hovered);
        update();
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_hovered >= 0)
            emit chosen(m_hovered);
        break;
    case Qt::Key_Escape:
        hide();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void DropListPopup::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    hide();
}

void DropListPopup::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(16, 18, 22));
    p.setFont(style::font(12));
    const int rows = visibleRows();
    for (int i = m_first; i < m_items.size() && i < m_first + rows + 1; ++i) {
        const QRect row = rowRect(i);
        if (i == m_hovered)
            p.fillRect(row, style::kAccent.darker(140));
        else if (i == m_selected)
            p.fillRect(row, style::kPanelLight);
        p.setPen(i == m_selected ? QColor(255, 255, 255) : style::kText);
        p.drawText(row.adjusted(6, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft, m_items.at(i));
    }
    // Scroll position, when not every item fits.
    if (m_items.size() > rows) {
        const double fraction = static_cast<double>(rows) / m_items.size();
        const int barHeight = std::max(12, static_cast<int>(height() * fraction));
        const int travel = height() - barHeight;
        const int maxFirst = static_cast<int>(m_items.size()) - rows;
        const int y = maxFirst > 0 ? travel * m_first / maxFirst : 0;
        p.fillRect(QRect(width() - 4, y, 3, barHeight), style::kTextDim);
    }
    p.setPen(style::kAccent);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace krm::ui
