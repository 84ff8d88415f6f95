#pragma once
// ChannelStrip: what the input and output strips share: the name button with its NAME
// menu, the channel label, the fader with its dB text, the group marker, the reload flag
// and the strip timer.
//
// Every control is bound to its parameter (kit/parameter_binding.h) and edits through the
// edit service, which writes the image, sends the channel's frame while online and spreads
// the change to the linked members of an active control group; the strips showing those
// members are told through linkedChannelsChanged (and the service's listeners).
//
// The strip timer (50 ms, running while the strip is shown) reloads the controls when the
// reload flag is set and moves meters and indicators from the image: repaints follow the
// timer, never each received report.
// UI thread only.

#include "editors/strips/strip_group.h"
#include "editors/strips/strip_services.h"
#include "model/edit_service.h"

#include "kit/popup_menu.h"
#include <QList>

#include <QTimer>
#include <QWidget>

#include <functional>

namespace krm::ui {
class Fader;
class ParameterBinding;
class PopupMenu;
class TextLabel;
class ToggleButton;
} // namespace krm::ui

namespace krm {

class ChannelStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTickMs = 50;

    ChannelStrip(EditService& edits, bool output, int channel, QWidget* parent = nullptr);

    // Zero-based index on the strip's side: inputs 0..19, outputs 0..7.
    int channel() const { return m_channel; }
    bool isOutput() const { return m_output; }
    Channel channelRef() const {
        return m_output ? Channel::output(m_channel) : Channel::input(m_channel);
    }
    // Channel number of the parameter readout: inputs 0..19, outputs 24..31.
    int readoutChannel() const { return ReadoutChannel(channelRef()); }

    // Shows the strip for a channel and fills every control from the image.
    void open(int channel);
    // Loads every control from the image (after a dump, a recall, a linked edit).
    virtual void refreshFromImage() = 0;
    // Takes every text from the current interface language.
    virtual void applyLanguage() = 0;
    // Sets the reload flag: the next timer tick refreshes the controls from the image.
    void requestReload() { m_reload = true; }
    bool reloadPending() const { return m_reload; }
    // Runs one timer tick now (tests, and the timer itself).
    void tick();

    void setServices(StripServices services) { m_services = std::move(services); }
    // What the channel takes from its active control group (the edit service's table).
    void setControlGroup(StripGroup group);
    const StripGroup& controlGroup() const;

    // Runs the NAME dialog, stores the new name and sends it (online only).
    void editName();

    ui::Fader* fader() const { return m_fader; }
    ui::ToggleButton* nameButton() const { return m_nameButton; }
    ui::TextLabel* faderText() const { return m_faderText; }
    ui::TextLabel* channelLabel() const { return m_channelLabel; }

signals:
    // Asks the main window to show the readout for (readout channel, parameter kind).
    void readoutRequested(int readoutChannel, int kind);
    // The level or mute of the channel changed (the main window's overview).
    void overviewChanged(int channel);
    // Linked members whose image records this strip just changed; their strips reload.
    void linkedChannelsChanged(bool output, const QList<int>& channels);
    void nameChanged(int channel);

protected:
    virtual const Name16& nameField() const = 0;
    virtual const Name16& labelField() const = 0;
    // The fixed label over the fader as the interface language reads it.
    virtual QString shownLabel() const { return QString::fromStdString(labelField().toUtf8()); }
    // Moves meters and indicators from the image.
    virtual void updateStatus() = 0;
    // The readout kinds the strips set.
    static constexpr int kReadoutNone = 0;
    static constexpr int kReadoutMute = 1;
    static constexpr int kReadoutLevel = 3;
    // Clears the readout before an editor opens for this channel.
    void clearReadout();
    // Rebuilds what depends on the channel (lists, hidden controls) for open().
    virtual void channelChanged() {}
    // Items the name button's menu offers after NAME, and what choosing one does.
    virtual std::vector<ui::PopupMenuItem> extraNameMenuItems() const { return {}; }
    virtual void nameMenuCommand(int) {}

    // Binds a control of this strip to a parameter of the strip's channel: the binding
    // follows the channel when the strip is reopened, and its edits reach `after` and the
    // signals every edit raises (readout, overview, linked members).
    ui::ParameterBinding* bind(ui::ParameterBinding* binding, int readoutKind,
                               std::function<void(const EditResult&)> after = {});
    // Reloads every bound control from the image.
    void loadBindings();
    void showMessage(const QString& text);
    // Name, label, fader position and dB text from the image.
    void refreshCommon(int faderCode);
    // Places the name button (top), returning the y below it.
    int layoutTop(int margin);
    // Places the fader in the left part of `area` and its dB text under it.
    void layoutFader(const QRect& area, int faderWidth);
    // The fader marks in dB, for both strips.
    static constexpr int kFaderRowHeight = 18;

    void paintEvent(QPaintEvent* event) override;

    EditService& m_edits;
    DeviceImage& m_image;
    bool m_output;
    int m_channel;

private:
    void showNameMenu();

    ui::ToggleButton* m_nameButton;
    ui::TextLabel* m_channelLabel;
    ui::Fader* m_fader;
    ui::TextLabel* m_faderText;
    ui::PopupMenu* m_nameMenu = nullptr;
    QList<ui::ParameterBinding*> m_bindings;
    StripServices m_services;
    bool m_reload = false;
};

} // namespace krm
