#pragma once
// EditHistory: the operator's edits as undoable steps.
//
// The history keeps a baseline copy of the image as it stood after the last step. A step is
// closed by comparing the image with the baseline over every field of the parameter table
// on every channel it exists on, the channel names and labels, the mute- and control-group
// records, the control-group switches and the microphone-unit assignments; the step keeps
// only what differs (before and after), and the baseline then becomes the image. Nothing
// different, no step. Meters, auto-mixer open states and the unit count are outside these
// fields, so reports of them never make a step; reports of settings (fader levels) are
// taken into the baseline with resync() before the next step closes.
//
// Bound: at most kMaxSteps steps (undo and redo together; the oldest go first). A step
// stores only its changed fields: 24 bytes a table field, 48 a name or label, 12 a group or
// unit field, plus about 150 bytes of step and name. A PEQ drag (gain and frequency) holds
// some 220 bytes, so 1,000 drags about 220 KB. A step that rewrote everything (a RECALL, a
// RECOVERY) holds every field at most once: 1,657 table fields, 56 names and labels and
// 411 group and unit fields, under 50 KB; 1,000 of them stay under 50 MB. memoryBytes()
// reports what is held; bench_edit_history prints it.
//
// Pure; the thread that owns the image (the user-interface thread).

#include "link/clock.h"
#include "model/channels.h"
#include "model/device_image.h"
#include "model/parameters.h"
#include "model/text_pair.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace krm {

// A step's name in both languages ("CH3 BAND2 GAIN -3.0dB → -1.0dB").
struct StepName {
    std::string en;
    std::string zh;
    bool empty() const { return en.empty(); }
};

struct FieldChange {
    const Parameter* parameter = nullptr;
    Channel channel;
    std::int32_t before = 0;
    std::int32_t after = 0;
};

struct NameChange {
    Channel channel;
    bool label = false; // the channel's label rather than its name
    Name16 before;
    Name16 after;
};

// A field outside the table and the names.
struct RecordChange {
    enum class Kind : std::uint8_t {
        MuteGroup,          // muteGroups[group].v[index]
        ControlGroup,       // controlGroups[group].v[index]
        ControlGroupActive, // controlGroupActive[group]
        ActiveMuteGroup,    // activeMuteGroup
        MicUnit,            // micUnits[group][index]
    };
    Kind kind = Kind::MuteGroup;
    std::uint8_t group = 0;
    std::uint8_t index = 0;
    std::int32_t before = 0;
    std::int32_t after = 0;
};

// How a module's step went out (a RESET, a BYPASS): the channel's frames of the module
// `pause` apart, then each member's in turn (`memberPause` before its first, `memberFramePause`
// after each). Undo and redo send the same frames, built from the image they leave, with the
// same pauses.
struct ModuleReplay {
    Channel channel;
    std::vector<int> members;
    std::function<std::vector<std::string>(const DeviceImage& image, Channel channel)> frames;
    Millis pause{0};
    Millis memberPause{0};
    Millis memberFramePause{0};
};

// The main window's mute-group switch a step flipped: the switch is no field of the image
// (activeMuteGroup keeps only the group switched on last), so the step says it.
struct MuteGroupSwitch {
    int group = 0; // 1..4; 0: the step switched none
    bool on = false;
};

struct EditStep {
    StepName name;
    MuteGroupSwitch muteSwitch;
    // Set for a module's step; null for the others, whose changed fields each send their
    // own frame.
    std::shared_ptr<const ModuleReplay> module;
    // The step rewrote the whole setting (a RECALL, a RECOVERY): going back and forth
    // resends the whole image.
    bool whole = false;
    std::vector<FieldChange> fields;
    std::vector<NameChange> names;
    std::vector<RecordChange> records;

    std::size_t size() const { return fields.size() + names.size() + records.size(); }
};

class EditHistory {
public:
    static constexpr std::size_t kMaxSteps = 1000;

    explicit EditHistory(const DeviceImage& image) : m_baseline(image) {}

    // Closes a step of what changed since the baseline. `name` empty: one is made from the
    // fields. Null when nothing changed. A new step drops the steps to redo.
    const EditStep* close(const DeviceImage& image, StepName name = {}, bool whole = false,
                          std::shared_ptr<const ModuleReplay> module = {},
                          MuteGroupSwitch muteSwitch = {});
    // The image changed by the device's doing: the baseline takes it, no step.
    void resync(const DeviceImage& image) { m_baseline = image; }
    // The image as it stood after the last step (or the last resync).
    const DeviceImage& baseline() const { return m_baseline; }
    // A new image replaced the old one (a new dump): every step goes, unless the new image
    // holds exactly the settings the history ended with (the link healed and nothing
    // changed on the device). True when steps were dropped.
    bool clear(const DeviceImage& image);

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    // The step undo()/redo() would take next; null when none.
    const EditStep* nextUndo() const { return m_undo.empty() ? nullptr : &m_undo.back(); }
    const EditStep* nextRedo() const { return m_redo.empty() ? nullptr : &m_redo.back(); }
    // Oldest first.
    const std::deque<EditStep>& undoSteps() const { return m_undo; }
    const std::vector<EditStep>& redoSteps() const { return m_redo; }

    // Writes the step's before (undo) or after (redo) values into the image, held to range,
    // and moves the step to the other list; the baseline follows. Null when none. The
    // returned step stays valid until the history changes again.
    const EditStep* undo(DeviceImage& image);
    const EditStep* redo(DeviceImage& image);

    // Bytes held by the steps (their fields and names), not counting the baseline.
    std::size_t memoryBytes() const;

private:
    DeviceImage m_baseline;
    std::deque<EditStep> m_undo;
    std::vector<EditStep> m_redo;
};

// Writes the step's values into the image: `after` true for redo, false for undo.
void ApplyStep(const EditStep& step, DeviceImage& image, bool after);

// A command on one channel's module, for its step: "RESET PEQ CH5", "复位 PEQ CH5" (the
// channel's name when it has one); "RESET REVERB" for the device's own.
StepName CommandStepName(TextPair command, TextPair module, const DeviceImage& image,
                         Channel channel);

// What differs between two images in the fields a step records (no name, not whole).
EditStep DiffSettings(const DeviceImage& from, const DeviceImage& image);

// The name a step gets from its fields: one field "CH3 BAND2 GAIN -3.0dB → -1.0dB" (the
// channel's name when it has one), one name "CH3 NAME Vocal → Lead", else "N parameters".
StepName DescribeStep(const EditStep& step, const DeviceImage& image);

// The channel as the readout shows it: its name, or "CH3" / "OUT5" without one; empty for
// the device.
std::string ChannelTitle(const DeviceImage& image, Channel channel);

} // namespace krm
