#pragma once
// NoticeBanner: a one-line-or-two notice over the bottom of the main window that tells the
// operator something happened without asking anything (the link healed itself). It does
// not take the focus or block the window; it hides itself after a while or when clicked.
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
    // Places the banner along the bottom of the parent's rectangle.
    void place(const QRect& parentRect);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::function<QString()> m_compose;
    QTimer m_hide;
};

} // namespace krm::ui
