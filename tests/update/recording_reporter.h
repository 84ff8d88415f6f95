#pragma once
// Test UpdateReporter: keeps every call in order as one line of text, and answers ask()
// with a preset answer.

#include "update/update_reporter.h"

#include <string>
#include <vector>

namespace krm::test {

class RecordingReporter final : public UpdateReporter {
public:
    void progressRange(int maximum) override {
        calls.push_back("range " + std::to_string(maximum));
    }
    void progress(int position) override {
        calls.push_back("progress " + std::to_string(position));
    }
    void message(const Message& text) override {
        calls.push_back("message " + text.en);
        messages.push_back(text);
    }
    void versions(const std::string& hardware, const std::string& basic,
                  const std::string& remote) override {
        calls.push_back("versions " + hardware + " " + basic + " " + remote);
    }
    bool ask(const Message& question) override {
        calls.push_back("ask " + question.en);
        return answer;
    }

    // The progress positions reported, in order.
    std::vector<int> positions() const {
        std::vector<int> out;
        for (const std::string& c : calls)
            if (c.rfind("progress ", 0) == 0)
                out.push_back(std::stoi(c.substr(9)));
        return out;
    }

    bool answer = true;
    std::vector<std::string> calls;
    std::vector<Message> messages;
};

} // namespace krm::test
