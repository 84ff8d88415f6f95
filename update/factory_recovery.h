#pragma once
// Factory recovery: every parameter back to the value the device leaves the factory with,
// then the whole image resent on the bulk sender in the order and with the pauses of a
// setting's resend (units, names, inputs, outputs, PEQ bands and sends, the auto-mixer,
// reports back on). It uses the live link and never takes it down; the window keeps
// painting while it plays, and its progress says when the device has everything.
//
// Threading: the user-interface thread (the owner of the image).

#include "model/edit_service.h"
#include "model/paced_sender.h"

#include <functional>
#include <memory>

namespace krm {

// Writes the factory values into the image. Fields the reset does not name (pan, solo,
// polarity, the sends and effects, the gate's other settings, PEQ band 5's frequency,
// the auto-mixer detector) keep their values. Input names are "CH 1".."CH 20", or
// "通道 1".."通道 20" when `chinese`; outputs "M 1".."M 4" and "D 1".."D 4".
void WriteFactoryValues(DeviceImage& image, bool chinese);

class FactoryRecovery {
public:
    enum class Start {
        Sending, // written, and the resend plays
        Written, // written while offline: the image only
        Busy,    // a recovery or another long resend still plays: nothing done
    };

    // otherBusy: true while another long sequence (a setting's resend) plays on the same
    // bulk sender; a recovery then waits for the operator to try again.
    explicit FactoryRecovery(EditService& edits, std::function<bool()> otherBusy = {});

    // Switches every control group off, writes the factory values, tells the edit
    // service's listeners, and while online starts the resend.
    Start start(bool chinese);

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

private:
    EditService& m_edits;
    std::function<bool()> m_otherBusy;
    std::shared_ptr<const SequenceProgress> m_progress;
};

} // namespace krm
