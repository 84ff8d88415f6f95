#pragma once
// What a channel strip asks of its surroundings beyond the image and the senders: the
// NAME dialog and the message box. The main window passes the real dialogs; tests pass
// fakes. UI thread only.

#include <QString>

#include <functional>
#include <optional>

namespace krm {

struct StripServices {
    // Runs the NAME dialog with the current name; the new name, or nothing on Cancel.
    std::function<std::optional<QString>(const QString& current)> editName;
    // Shows a message to the operator (the strip's refusals).
    std::function<void(const QString& text)> showMessage;
};

// A `meter` code as the strips show it: below 8 reads 0, above 70 reads 70.
constexpr int meterDisplayValue(int code) {
    return code < 8 ? 0 : (code > 70 ? 70 : code);
}

} // namespace krm
