#pragma once
// The resend of a recalled setting: every parameter of the image, as a long paced
// sequence, in the order and with the pauses the device is known to take it in.
//
//   "%Q," 0; 20 ms
//   units 1..6: "%X,"; 100 ms
//   channels 1..28 (buses as 21..28): "%V," name; 150 ms; "%A,"; 20 ms
//   inputs 1..20: "%B,"; 20 ms; CH1..CH16 also "%C,", "%E,", "%F,", "%L," 20 ms each;
//                 "%O,"; 20 ms
//   buses 1..8: "%D,", "%H,", "%I,", "%J,", "%K,", "%L," (the auto-mixer frame of the
//               input with the bus's number), 20 ms each
//   inputs 1..20: "%G," bands 1..4, 20 ms each; "%I," (the input's aux sends); 20 ms —
//                 an input's aux sends travel for CH1..CH18 only, and where the frame is
//                 not sent neither is its pause
//   "%M,"; 20 ms; "%Q," 1; 20 ms
//
// About nine seconds, most of it the name frames' pauses. SettingRecall plays it on the
// edit service's bulk sender (a worker), so the window paints and answers throughout; it
// refuses a second recall while one plays.
//
// Threading: the user-interface thread (the owner of the image).

#include "model/edit_service.h"
#include "model/glyph_renderer.h"
#include "model/message.h"
#include "model/paced_sender.h"
#include "presets/device_settings.h"

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace krm {

// The sequence for the image as it stands. Each frame carries the key of its group
// ("A3", "G5.2") so that an edit sent meanwhile drops the older queued copy.
std::vector<PacedSender::TimedFrame> SettingResendSequence(const DeviceImage& image,
                                                           const GlyphRenderer* glyphs);

// Gives the edit service the whole image's resend, which undo and redo of a RECALL or a
// RECOVERY play. A SettingRecall does this when it is built.
void ProvideWholeResend(EditService& edits);

// The sum of the sequence's pauses.
Millis TotalPause(const std::vector<PacedSender::TimedFrame>& sequence);

class SettingRecall {
public:
    enum class Start {
        Sending, // loaded, and the resend plays
        Loaded,  // loaded while offline: the image only
        Busy,    // a resend still plays: nothing done
        Failed,  // the setting could not be loaded: nothing changed (lastError())
    };

    SettingRecall(DeviceSettings& settings, EditService& edits);
    // Without stored settings: send() only (start() fails).
    explicit SettingRecall(EditService& edits);

    // True while another long sequence (a factory recovery) plays on the same bulk
    // sender: a recall then answers Busy.
    void setOtherBusy(std::function<bool()> otherBusy) { m_otherBusy = std::move(otherBusy); }

    // Switches every control group off, loads the row's file over the image (the live
    // link's state untouched), tells the edit service's listeners, and while online
    // starts the resend.
    Start start(std::string_view rowText);
    // The same for settings the window holds (a file's, or edits made while not connected):
    // groups off, the image replaced, the resend while online; one step named `name`.
    Start send(const DeviceImage& settings, StepName name);

    // True while a resend plays.
    bool running() const;
    // Frames of the running (or last) resend: all; those sent; those superseded by an edit
    // whose frame went out instead (the device has their group in its newest form); those
    // lost (the link went down, or the edit's frame could not go out either); and the sum
    // of the three so far.
    int total() const;
    int sent() const;
    int superseded() const;
    int dropped() const;
    int done() const;
    const Message& lastError() const { return m_error; }
    // The running (or last) resend's progress; null when none played.
    std::shared_ptr<const SequenceProgress> progress() const { return m_progress; }
    EditService& edits() { return m_edits; }

private:
    // True when the resend started (online).
    bool load(DeviceImage loaded, StepName name);

    DeviceSettings* m_settings = nullptr;
    EditService& m_edits;
    std::function<bool()> m_otherBusy;
    std::shared_ptr<const SequenceProgress> m_progress;
    Message m_error;
};

} // namespace krm
