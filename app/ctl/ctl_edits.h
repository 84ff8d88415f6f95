#pragma once
// What `set` changes, the same for a device and for a setting file: "PATH=VALUE" operands
// (or the older pair PATH VALUE) read through the parameter table and the display values'
// rules, then applied through an EditService — the connection's, which sends as the window
// does, or an offline one over a file's image, which writes the image only.
//
// One thread: the caller's (the owner of the image).

#include "model/edit_service.h"
#include "model/parameters.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace krm::ctl {

struct Assignment {
    std::string path;
    ParamAddress at;
    std::int32_t code = 0;
};

// Every operand read, or the first reason one is refused (an unknown path, a value out of
// range). `toDevice`: parameters that travel in no frame are refused, since the device
// cannot be told them; a setting file keeps them.
std::variant<std::vector<Assignment>, std::string>
ParseAssignments(const std::vector<std::string>& operands, bool toDevice);

// An EditService with no device behind it: edits write its image only.
class OfflineEdits {
public:
    explicit OfflineEdits(const DeviceImage& image);
    ~OfflineEdits();
    OfflineEdits(const OfflineEdits&) = delete;
    OfflineEdits& operator=(const OfflineEdits&) = delete;

    EditService& edits() { return *m_edits; }
    DeviceImage& image() { return m_image; }

private:
    class NoDevice;
    DeviceImage m_image;
    std::unique_ptr<NoDevice> m_sink;
    std::unique_ptr<PacedSender> m_linked;
    std::unique_ptr<PacedSender> m_bulk;
    std::unique_ptr<EditService> m_edits;
};

// Applies every assignment in order through `edits`, or none: they are tried first on an
// offline copy (with the same control-group links), so a refused one (a Dante source
// already used) leaves the image, and the device, as they were. Tells `err` each field's
// value before and after ("in3.peq2.gain: 0.0dB -> -3.0dB") and the linked members, so a
// script can log the change and set it back. The refusal's sentence, or nullopt.
std::optional<std::string>
ApplyAssignments(EditService& edits, const std::vector<Assignment>& assignments, std::ostream& err);

} // namespace krm::ctl
