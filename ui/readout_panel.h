#pragma once
// ReadoutPanel: the channel label, parameter label and two value boxes at the top of the
// main window. It shows the texts it is given and reports a value typed into a box and
// confirmed with Return (box 0 or 1); the main window applies it (readout_model.h).
// UI thread only.

#include "ui/readout_model.h"
#include "ui/shell_layout.h"

#include <QObject>

class QLabel;
class QLineEdit;
class QWidget;

namespace krm::ui {

class ReadoutPanel : public QObject {
    Q_OBJECT
public:
    // The labels and boxes are children of `parent` (the top area of the main window).
    explicit ReadoutPanel(QWidget* parent);

    void applyMetrics(const ShellMetrics& metrics);
    void show(const ReadoutTexts& texts);

    QLabel* channelLabel() const { return m_channel; }
    QLabel* parameterLabel() const { return m_parameter; }
    QLineEdit* valueBox(int box) const { return box == 0 ? m_box1 : m_box2; }

signals:
    void valueTyped(int box, const QString& text);

private:
    QLabel* m_channel;
    QLabel* m_parameter;
    QLineEdit* m_box1;
    QLineEdit* m_box2;
};

} // namespace krm::ui
