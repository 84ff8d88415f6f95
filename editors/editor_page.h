#pragma once
// The kinds of editor a strip opens, and what the main window asks of every editor page
// it registers under a kind: show the editor for a channel, take the interface language.
// A processing editor is a widget implementing EditorPage, its controls bound to the
// parameter table; the window knows it only by its kind. UI thread only.

#include <QWidget>

namespace krm {

// Editors beside the large input strip, and beside the large output strip.
enum class InputEditorKind : int { Dynamics = 1, Peq = 2, Effects = 3, AuxSends = 4 };
enum class OutputEditorKind : int { Limiter = 1, GraphicEq = 2 };

class EditorPage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    // Shows the editor for a channel (inputs 0..19 or outputs 0..7, as the kind says)
    // and loads its controls from the image.
    virtual void openFor(int channel) = 0;
    virtual void applyLanguage() = 0;
    // The image changed outside the edit service (a dump from the device): load the
    // controls again.
    virtual void reload() {}

signals:
    // A control of the editor was touched: the readout shows that channel (0..19 inputs,
    // 24..31 outputs) and item.
    void readoutRequested(int channel, int kind);
};

} // namespace krm
