#pragma once
// ShowOptions: the program's own options beside the stored settings (SYSTEM, SHOW): how a
// control group moves its members. KEEP OFFSETS lit: the members move by the same amount as
// the moved channel and keep their differences (the levels); dark: they take its value.
// The option is the program's, not the device's: nothing goes on the wire for it. The page
// shows the state and reports a click; the main window stores and applies it. UI thread only.

#include <QWidget>

class QLabel;

namespace krm::ui {

class ToggleButton;

class ShowOptions : public QWidget {
    Q_OBJECT
public:
    explicit ShowOptions(QWidget* parent = nullptr);

    void retranslate();
    void setKeepOffsets(bool on);
    bool keepOffsets() const;
    ToggleButton* keepOffsetsButton() const { return m_keepOffsets; }

signals:
    // KEEP OFFSETS was clicked: the option the operator asked for.
    void keepOffsetsChanged(bool on);

private:
    QLabel* m_title;
    ToggleButton* m_keepOffsets;
    QLabel* m_explanation;
};

} // namespace krm::ui
