#pragma once
// HistoryList: the popup of the HISTORY button. It lists the edits the operator can take
// back, newest first, with the undone ones (which REDO brings back) greyed above them, the
// farthest on top. Clicking a row asks to undo back to that edit (it and every newer one)
// or to redo forward to it; the popup then closes. It only shows and reports; the main
// window undoes. UI thread only.

#include "model/edit_history.h"

#include <QFrame>

class QListWidget;
class QLabel;

namespace krm::ui {

class HistoryList : public QFrame {
    Q_OBJECT
public:
    explicit HistoryList(QWidget* parent = nullptr);

    // Lists the history's steps in the interface's language.
    void load(const EditHistory& history);
    // Opens under `anchor` (a top-bar button), held inside the anchor's window.
    void popUpUnder(const QWidget* anchor);

    QListWidget* list() const { return m_list; }
    // The row of the step `undos` undos back (1: the newest undo step) or `redos` redos
    // forward; -1 when there is none.
    int undoRow(int undos) const;
    int redoRow(int redos) const;

signals:
    // Undo `count` steps (count > 0) or redo -count steps (count < 0).
    void stepsChosen(int count);

private:
    QLabel* m_title = nullptr;
    QListWidget* m_list = nullptr;
    int m_redoCount = 0;
    int m_undoCount = 0;
};

} // namespace krm::ui
