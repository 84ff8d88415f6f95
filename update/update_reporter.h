#pragma once
// UpdateReporter: what a firmware update, a remote update or a factory recovery tells the
// operator while it runs. Called ON THE WORKER THREAD; the window's implementation posts
// each call to the user-interface thread, so the effects keep the order of the calls.

#include "model/message.h"

namespace krm {

class UpdateReporter {
public:
    virtual ~UpdateReporter() = default;
    // The progress bar: a new range 0..maximum with the position at 0, then positions.
    virtual void progressRange(int maximum) = 0;
    virtual void progress(int position) = 0;
    // A message box for the operator (information icon unless said otherwise).
    virtual void message(const Message& text) = 0;
    // The same with a caption of its own ("Warming"). A reporter without captions shows
    // the plain message box.
    virtual void messageWithCaption(const Message& text, const std::string& caption) {
        (void)caption;
        message(text);
    }
    // The version labels after a query: texts as the device and page gave them ("31",
    // "310"); empty when not known.
    virtual void versions(const std::string& hardware, const std::string& basic,
                          const std::string& remote) = 0;
    // An OK/Cancel question; blocks the worker until the operator answers (false when the
    // window closes meanwhile).
    virtual bool ask(const Message& question) = 0;
};

} // namespace krm
