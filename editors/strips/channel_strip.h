#pragma once
// ChannelStrip: what the input and output strips share: the name button with its NAME
// menu, the channel label, the fader with its dB text, the group marker, the reload flag
// and the strip timer, and the propagation of an edit to the linked members of an active
// control group.
//
// Edit, then send: a control writes the image first; the strip then sends the changed
// group for its own channel at once (only while online) and hands the members' frames,
// built here on the UI thread, to the PacedSender of linked frames, which sends them from
// its worker with a 10 ms pause before each. The member strips are told to reload through
// linkedChannelsChanged.
//
// The strip timer (50 ms, running while the strip is shown) reloads the controls when the
// reload flag is set and moves meters and indicators from the image: repaints follow the
// timer, never each received report.
// UI thread only.

#include "editors/strips/strip_group.h"
#include "editors/strips/strip_services.h"
#include "model/device_image.h"
#include "model/paced_sender.h"
#include "model/senders.h"

#include <QList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>

namespace krm::ui {
class Fader;
class PopupMenu;
class TextLabel;
class ToggleButton;
} // namespace krm::ui

namespace krm {

class ChannelStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTickMs = 50;
    // The pause before each linked member's frame.
    static constexpr Millis kLinkedPause{10};

    ChannelStrip(DeviceImage& image, CommandSet& commands, PacedSender& linked, int channel,
                 QWidget* parent = nullptr);

    // Zero-based index on the strip's side: inputs 0..19, outputs 0..7.
    int channel() const { return m_channel; }
    virtual bool isOutput() const = 0;
    // Wire channel of the level/mute and name frames: inputs 1..20, outputs 21..28.
    virtual int wireChannel() const = 0;
    // Wire number of a member in a frame of this letter (outputs: 21..28 in "%A," and
    // "%V,", 1..8 otherwise).
    virtual int wireFor(int member, char letter) const = 0;
    // Channel number of the parameter readout: inputs 0..19, outputs 24..31.
    virtual int readoutChannel() const = 0;

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
    // The strip's own group state (a strip used alone), or, once a table is set, the
    // table's entry for whichever channel the strip shows.
    void setControlGroup(StripGroup group);
    void setGroupTable(const StripGroupTable* table);
    const StripGroup& controlGroup() const;

    // Runs the NAME dialog, stores the new name and sends it (online only).
    void editName();

    ui::Fader* fader() const { return m_fader; }
    ui::ToggleButton* nameButton() const { return m_nameButton; }
    ui::TextLabel* faderText() const { return m_faderText; }
    ui::TextLabel* channelLabel() const { return m_channelLabel; }

signals:
    // Asks the main window to open an editor for this channel: inputs 1 dynamics,
    // 2 PEQ; outputs 1 limiter, 2 graphic EQ.
    void openEditorRequested(int channel, int kind);
    // Asks the main window to show the readout for (readout channel, parameter kind).
    void readoutRequested(int readoutChannel, int kind);
    // The level or mute of the channel changed (the main window's overview).
    void overviewChanged(int channel);
    // Linked members whose image records this strip just changed; their strips reload.
    void linkedChannelsChanged(bool output, const QList<int>& channels);
    void nameChanged(int channel);

protected:
    // Stores the fader level code (0..70) in the channel's own record.
    virtual void storeFader(int code) = 0;
    // Copies the level to the linked members (propagate with LinkVol).
    virtual void propagateFader(int code) = 0;
    virtual Name16& nameField() = 0;
    virtual const Name16& labelField() const = 0;
    // Moves meters and indicators from the image.
    virtual void updateStatus() = 0;
    // The readout kinds the strips set.
    static constexpr int kReadoutNone = 0;
    static constexpr int kReadoutMute = 1;
    static constexpr int kReadoutLevel = 3;
    // Asks the main window to open editor `kind` for this channel, the readout cleared.
    void openEditor(int kind);
    // Rebuilds what depends on the channel (lists, hidden controls) for open().
    virtual void channelChanged() {}

    bool online() const { return m_linked.isOnline(); }
    // Copies a change to the other members of the active control group when the group
    // links `entry`: `copy(member)` writes the member's record; while online each member's
    // frame `build(member)` is queued 10 ms apart under the key letter + wire channel.
    void propagate(ControlLink entry, char letter, const std::function<void(int member)>& copy,
                   const std::function<std::string(int member)>& build);
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
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

    DeviceImage& m_image;
    CommandSet& m_commands;
    PacedSender& m_linked;
    int m_channel;

private:
    void faderMoved(int position);
    void showNameMenu();

    ui::ToggleButton* m_nameButton;
    ui::TextLabel* m_channelLabel;
    ui::Fader* m_fader;
    ui::TextLabel* m_faderText;
    ui::PopupMenu* m_nameMenu = nullptr;
    StripGroup m_group;
    const StripGroupTable* m_groupTable = nullptr;
    StripServices m_services;
    QTimer m_timer;
    bool m_reload = false;
};

} // namespace krm
