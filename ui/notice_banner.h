#pragma once
// NoticeBanner: a notice of a line or three that tells the operator something happened
// without asking anything (the link healed itself). It stands in a room of the window where
// no control is (the title's place in the top bar), so it hides no value or button while it
// shows. It does not take the focus or block the window; it hides itself after a while or
// when clicked.
// The text is rebuilt by a function, so a change of interface language while it shows
// reads in the new language. UI thread only.

#include <QLabel>
#include <QTimer>

#include <functional>

namespace krm::ui {

class NoticeBanner : public QLabel {
    Q_OBJECT
public:
    static constexpr int kShowMs = 15'000;

    explicit NoticeBanner(QWidget* parent);

    // Shows the notice (replacing one that shows) and starts the hide timer.
    void showNotice(std::function<QString()> compose);
    // Rebuilds the shown text in the current language.
    void retranslate();
    static constexpr int kLargestTextPx = 15;
    static constexpr int kSmallestTextPx = 11;

    // Fills `room`, given in `anchor`'s coordinates (the top bar's), wherever the anchor
    // stands in the banner's parent. The text takes the largest size from 15 down to 11
    // pixels at which it fits the room; a language change fits it anew.
    void place(const QRect& room, const QWidget* anchor);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void fit();

    std::function<QString()> m_compose;
    QRect m_room; // in the parent's coordinates
    QTimer m_hide;
};

} // namespace krm::ui
