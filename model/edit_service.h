#pragma once
// EditService: the one path of every edit — strips, editors, pages, the readout's typed
// entry, preset recall and the command-line tool all change the device through it.
//
// set(parameter, channel, code) writes the image (the code held to the parameter's range),
// sends the channel's own frame at once while online, and, when the channel's active
// control group links the parameter's kind, copies the value to every other member and
// queues the members' frames on the paced sender, 10 ms before each. Controls that send
// on release call store() while dragging and commit() on release.
//
// Keep offsets (the program's setting, off by default): a balanced group of microphones
// must not be flattened by moving one of them, so the members of a group move by the same
// difference as the moved channel instead of taking its value, each held to its own range.
// This holds for the kinds that are levels in dB, one code a step: the faders (VOL), the
// compressor's and limiter's threshold and make-up gain. The other kinds are still
// copied: an EQ link shares one curve (a PEQ band travels whole in its frame, a GEQ curve
// is drawn as a whole), and ratios, times, delays, the input gain's steps and the switches
// have no meaningful offset.
//
// Bulk sequences (mute groups, clear-all, and later recall and recovery) are built here
// from the image on the calling thread and played by the paced sender with their pauses,
// so no pause ever runs on the window's thread; the name frame too, with its 10 ms pause.
//
// Nothing is queued while offline: a change made offline stays in the image only.
//
// History: every entry point that finishes an operator edit (set, commit, setName, the
// group switches and clears, commitModule, commitModuleEdit, imageReplaced, deviceChanged,
// record) closes one undoable step of whatever the image holds differently from the last
// step (EditHistory); store() never does, so a drag is one step from press to commit. A
// StepScope makes a longer sequence of entry points one step (a RECALL switching the
// groups off, then loading). The device's reports are no steps: the owner of the session
// calls deviceReported() after storing a report, and deviceReplaced() after a new dump,
// which starts a new history. undo() and redo() write the step's values back and send what
// a forward edit of those fields sends: a module's step its frames with the module's pauses.
//
// Threading: the user-interface thread, which owns the image. The paced senders' workers
// only see finished frame texts.

#include "link/clock.h"
#include "link/frame_sink.h"
#include "model/device_image.h"
#include "model/edit_history.h"
#include "model/glyph_renderer.h"
#include "model/linked_channels.h"
#include "model/paced_sender.h"
#include "model/parameters.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace krm {

struct EditResult {
    enum class Status { Unchanged, Changed, Refused };
    Status status = Status::Unchanged;
    // Refused source: the input (zero-based) that already uses that Dante stream.
    int holder = -1;
    // Other members of the channel's control group whose record took the change too.
    std::vector<int> linked;

    bool changed() const { return status == Status::Changed; }
    bool refused() const { return status == Status::Refused; }
};

// Told after every edit that went through the service (UI thread), so that whatever shows
// the changed channels can reload them.
class EditListener {
public:
    virtual ~EditListener() = default;
    // `channels` are every channel whose record changed: the edited one first, then the
    // linked members; `parameter` is null for bulk changes of many kinds (names, groups).
    virtual void edited(const Parameter* parameter, const std::vector<Channel>& channels) = 0;
};

class EditService {
public:
    static constexpr Millis kLinkedPause{10};    // before each linked member's frame
    static constexpr Millis kMuteGroupPause{20}; // after each frame of a mute group
    static constexpr Millis kNamePause{10};      // after a name frame

    // linked: the paced sender of linked members' frames (BeforeEachFrame pauses);
    // bulk: the paced sender of bulk sequences (it also keeps the watchdog quiet).
    EditService(DeviceImage& image, FrameSink& sink, PacedSender& linked, PacedSender& bulk,
                const GlyphRenderer* glyphs = nullptr);

    DeviceImage& image() { return m_image; }
    const DeviceImage& image() const { return m_image; }
    LinkedChannelTable& links() { return m_links; }
    const LinkedChannelTable& links() const { return m_links; }
    bool online() const { return m_sink.isOnline(); }
    // Off: a linked edit copies the value to the members; on: the members keep their
    // offsets on the level kinds (see above).
    void setKeepOffsets(bool keep) { m_keepOffsets = keep; }
    bool keepOffsets() const { return m_keepOffsets; }

    void setGlyphRenderer(const GlyphRenderer* glyphs) { m_glyphs = glyphs; }
    const GlyphRenderer* glyphRenderer() const { return m_glyphs; }
    // Listeners are told in the order they were added; remove before they go.
    void addListener(EditListener* listener);
    void removeListener(EditListener* listener);

    // Makes every entry point called while it lives one step, closed (with `name` when
    // given) when the outermost scope ends. `whole`: the step rewrote the whole setting,
    // and undo and redo resend the whole image.
    class StepScope {
    public:
        explicit StepScope(EditService& edits, StepName name = {}, bool whole = false);
        ~StepScope();
        StepScope(const StepScope&) = delete;
        StepScope& operator=(const StepScope&) = delete;

    private:
        EditService& m_edits;
        StepName m_name;
        bool m_whole;
    };

    const EditHistory& history() const { return m_history; }
    // True while the whole-image resend of an undone or redone RECALL or RECOVERY plays.
    bool replayingWholeSetting() const {
        return m_lastWholeResend && !m_lastWholeResend->finished();
    }
    // An editor wrote the image itself (a group record, a group name): the step closes
    // here. Nothing changed, no step.
    void record(StepName name = {});

    struct UndoResult {
        const EditStep* step = nullptr; // the step undone or redone; null when none was
        // A whole-image resend started (a RECALL's step while online); null otherwise.
        std::shared_ptr<const SequenceProgress> progress;
        // The main window's mute-group switch the step flipped (1..4; 0: none) and whether
        // it stands on now: the image alone cannot tell (activeMuteGroup is only the group
        // switched on last, and several groups may be on).
        int muteGroup = 0;
        bool muteGroupOn = false;
    };
    // Puts back the last step's fields and, while online, sends what a forward edit of them
    // sends: the first frame at once, further ones (linked members) 10 ms apart; a module's
    // step (commitModuleEdit) its frames with the module's pauses from the bulk sender; a
    // whole setting's step the whole image's resend (setWholeResend). Offline the image
    // only. The listeners are told; the undo is no new step.
    UndoResult undo();
    // Replays the last undone step the same way.
    UndoResult redo();
    // Builds the whole image's resend for undo and redo of a whole setting's step (the
    // presets layer provides it); without one, the frames of the changed fields go out.
    using WholeResend = std::function<std::vector<PacedSender::TimedFrame>(const DeviceImage&)>;
    void setWholeResend(WholeResend resend) { m_wholeResend = std::move(resend); }

    // The session stored a report of the device in the image (levels, a single field):
    // the history's baseline takes it, no step.
    void deviceReported();
    // A new dump replaced the image (CONNECT, the link healed, another device): the history
    // starts anew. True when steps were dropped (the notice says so).
    bool deviceReplaced();

    // Writes the image only (a control being dragged whose parameter sends on release).
    // Refused like set(); true when the image changed. A field whose linked members take
    // its whole frame (a PEQ band, a filter) is copied to them with the frame's other
    // fields, without a frame: they follow a dragged marker.
    bool store(const Parameter& parameter, Channel channel, int code);
    // Sends the channel's frame of the parameter as the image holds it and spreads the
    // value to the linked members (a control let go after store()): each member takes the
    // field, or every field of the frame for a PEQ band or a filter, and then its one frame.
    EditResult commit(const Parameter& parameter, Channel channel);
    // store() and commit() in one. An unchanged value is still sent (the operator asked).
    EditResult set(const Parameter& parameter, Channel channel, int code);
    // Flips a switch parameter.
    EditResult toggle(const Parameter& parameter, Channel channel);
    // A control of the effects page let go (or stepped, for the levels): sends the frame the
    // page sends for the field as the image holds it (Parameter::effectFrame), at once while
    // online. No control group shares the effects.
    EditResult commitEffect(const Parameter& parameter, Channel channel);
    // An effect's RESET: writes every value, then, while online, sends each frame the
    // effects page sends for them once, in order; one step named `name`.
    struct FieldValue {
        const Parameter* parameter = nullptr;
        Channel channel;
        std::int32_t code = 0;
    };
    void resetEffect(const std::vector<FieldValue>& values, StepName name);
    // An auto-mixer channel's level (0..15, code 0..80). With SYNC on it becomes every
    // channel's level, played as the device takes it (automix_sync.h).
    void setAutoMixLevel(int channel, int code);

    // The input that already uses Dante stream `source` (1..4), other than `channel`; -1
    // when none does or the source is ANALOG.
    int danteSourceHolder(Channel channel, int source) const;

    // Renames a channel: the image takes the name, and the name frame goes out on the bulk
    // sender with its pause after it.
    void setName(Channel channel, const Name16& name);

    // The main window's mute-group switch and CLEAR MUTE: the image at once, the level
    // frames 20 ms apart from the bulk sender.
    void switchMuteGroup(int group, bool on);
    void clearAllMutes();
    void clearAllSolos();
    // A control group switched on or off: the linked-channel table follows.
    void switchControlGroup(int group, bool on);

    // Plays prebuilt frames on the bulk sender (online only).
    void play(std::vector<std::string> frames, PausePlacement placement, Millis pause);
    // Plays a sequence whose frames carry their own pauses (a whole setting's resend) on
    // the bulk sender; nothing while offline (the progress then has no frames). An edit
    // sent while it plays takes the sequence's older frame of the same group off the queue;
    // the progress counts it as superseded once the edit's frame has gone out, as dropped
    // when that could not go out.
    std::shared_ptr<const SequenceProgress> playTimed(std::vector<PacedSender::TimedFrame> frames);

    // Many fields already written to the image at once (a preset recall): sends `frames`
    // at once, in order, while online, and tells the listeners that `changed` changed.
    void commitModule(const std::vector<std::string>& frames, std::vector<Channel> changed,
                      StepName name = {});
    // A whole module of a channel already rewritten in its record by an editor (RESET,
    // BYPASS, a drawn graphic-EQ curve). When the channel's active control group links
    // `link`, `copy(image, from, to)` copies the module to every other member. While
    // online the frames go out from the bulk sender: the channel's `frames` with `pause`
    // after each, then each member's in turn (`memberFramePause` after each of its frames,
    // `pause` when unset), `memberPause` before each member's first.
    // The listeners are told of every changed channel. Returns the members changed.
    struct ModuleEdit {
        std::optional<ControlLink> link;
        std::function<void(DeviceImage& image, Channel from, Channel to)> copy;
        std::function<std::vector<std::string>(const DeviceImage& image, Channel channel)> frames;
        Millis pause{20};
        Millis memberPause{10};
        std::optional<Millis> memberFramePause;
        StepName name; // the step's name ("RESET PEQ CH5"); made from the fields when empty
    };
    std::vector<int> commitModuleEdit(Channel channel, const ModuleEdit& edit);

    // The whole image was replaced by the operator (a setting recalled, a factory recovery):
    // the listeners reload everything; one whole-setting step.
    void imageReplaced(StepName name = {});

    // One frame another part of the core built from the image (a microphone unit's
    // assignments, a unit call) goes out at once while online; a queued older frame of
    // `key` (none when empty) must not follow it. False, and nothing sent, while offline.
    bool sendNow(const std::string& key, const std::string& frame);
    // Fields of the device outside every channel record changed (the microphone-unit
    // table): the listeners reload what they show of the device.
    void deviceChanged();

private:
    // Closes a step unless a StepScope is open.
    void closeStep(StepName name = {}, bool whole = false,
                   std::shared_ptr<const ModuleReplay> module = {});
    // A module's frames as commitModuleEdit plays them: the channel's, then each member's.
    std::vector<PacedSender::TimedFrame> moduleFrames(const ModuleReplay& module) const;
    void sendStep(const EditStep& step, UndoResult& result);
    // Switches the control groups the step turns `on` (or off), so that the linked-channel
    // table follows the image.
    void switchGroups(const EditStep& step, bool redo, bool on);
    UndoResult replay(bool redo);
    void notifyAll();
    bool refusedSource(const Parameter& parameter, Channel channel, int code, int& holder) const;
    // Copies the channel's value to the linked members and queues their frames.
    std::vector<int> spread(const Parameter& parameter, Channel channel);
    // Copies the parameter (its whole frame group when the members take that) to the members
    // of the channel's control group that link it; the members changed, image only.
    std::vector<int> copyToMembers(const Parameter& parameter, Channel channel);
    // With keepOffsets, moves the members of the channel's group that link the parameter by
    // the channel's move since its last spread; the members changed, image only.
    std::vector<int> offsetMembers(const Parameter& parameter, Channel channel);
    // The channel's value before its first write since the last spread, kept for the level
    // kinds (a drag stores many values before it commits).
    void noteOrigin(const Parameter& parameter, Channel channel);
    std::int32_t takeOrigin(const Parameter& parameter, Channel channel);
    void notify(const Parameter* parameter, std::vector<Channel> channels);
    // A frame of this group goes out now: older queued copies must not follow it. The
    // caller settles them with the fate of its frame.
    Superseded discardQueued(const std::string& key);

    DeviceImage& m_image;
    FrameSink& m_sink;
    PacedSender& m_linked;
    PacedSender& m_bulk;
    const GlyphRenderer* m_glyphs;
    LinkedChannelTable m_links;
    std::vector<EditListener*> m_listeners;
    EditHistory m_history;
    WholeResend m_wholeResend;
    std::shared_ptr<const SequenceProgress> m_lastWholeResend;
    int m_scopeDepth = 0;
    StepName m_pendingName; // the first name given inside an open scope
    bool m_pendingWhole = false;
    MuteGroupSwitch m_pendingMuteSwitch;
    bool m_keepOffsets = false;
    struct Origin {
        const Parameter* parameter = nullptr;
        Channel channel;
        std::int32_t code = 0;
    };
    std::vector<Origin> m_origins; // a few at most: the fields being dragged
};

} // namespace krm
