#pragma once
// Common ground of the strip tests: an image with its start-up values, a recording sink
// (online unless a test says otherwise), a fake clock, the command set and the paced
// senders and the edit service, and fakes for the NAME dialog and the message box.

#include "editors/strips/strip_services.h"
#include "model/device_image.h"
#include "model/edit_service.h"
#include "model/paced_sender.h"
#include "tests/support/fake_clock.h"
#include "tests/support/frame_field.h"
#include "tests/support/recording_sink.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

namespace krm::test {

class StripFixture : public ::testing::Test {
protected:
    StripFixture() { ResetToStartupValues(image); }

    StripServices services() {
        return StripServices{[this](const QString& current) -> std::optional<QString> {
                                 namesAsked.append(current);
                                 return nextName;
                             },
                             [this](const QString& text) { messages.append(text); }};
    }

    // Frames sent so far, after the paced senders have sent what they hold.
    std::vector<std::string> sent() {
        linked.waitIdle();
        bulk.waitIdle();
        return sink.frames();
    }
    // Frames whose text starts with the prefix (letter, address, channel...).
    std::vector<std::string> sentWith(const std::string& prefix) {
        std::vector<std::string> out;
        for (const std::string& f : sent())
            if (f.rfind(prefix, 0) == 0)
                out.push_back(f);
        return out;
    }

    DeviceImage image;
    RecordingSink sink;
    FakeClock clock;
    PacedSender linked{sink, clock};
    PacedSender bulk{sink, clock};
    EditService edits{image, sink, linked, bulk};
    std::optional<QString> nextName;
    QStringList namesAsked;
    QStringList messages;
};

} // namespace krm::test
