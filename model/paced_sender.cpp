#include "model/paced_sender.h"

#include <algorithm>

namespace krm {

Superseded::Superseded(Superseded&& other) noexcept : m_entries(std::move(other.m_entries)) {
    other.m_entries.clear();
}

Superseded& Superseded::operator=(Superseded&& other) noexcept {
    if (this != &other) {
        settle(false);
        m_entries = std::move(other.m_entries);
        other.m_entries.clear();
    }
    return *this;
}

Superseded::~Superseded() {
    settle(false);
}

void Superseded::settle(bool newerSent) {
    for (Entry& e : m_entries)
        ++(newerSent ? e.progress->superseded : e.progress->dropped);
    m_entries.clear();
}

void Superseded::add(Superseded&& other) {
    for (Entry& e : other.m_entries)
        m_entries.push_back(std::move(e));
    other.m_entries.clear();
}

void Superseded::moveKey(const std::string& key, Superseded& to) {
    std::erase_if(m_entries, [&](Entry& e) {
        if (e.key != key)
            return false;
        to.m_entries.push_back(std::move(e));
        return true;
    });
}

PacedSender::PacedSender(FrameSink& sink, Clock& clock, FrameSent onFrameSent)
    : m_sink(sink), m_clock(clock), m_onFrameSent(std::move(onFrameSent)) {}

PacedSender::~PacedSender() {
    stop();
}

void PacedSender::enqueue(std::vector<std::string> frames, PausePlacement placement, Millis pause) {
    std::vector<KeyedFrame> unkeyed;
    unkeyed.reserve(frames.size());
    for (std::string& text : frames)
        unkeyed.push_back(KeyedFrame{std::string(), std::move(text)});
    push(std::move(unkeyed), placement, pause, {});
}

void PacedSender::enqueueKeyed(std::vector<KeyedFrame> frames, PausePlacement placement,
                               Millis pause, Superseded replaced) {
    push(std::move(frames), placement, pause, std::move(replaced));
}

// Frames of `replaced` whose key has no frame here end with it, as dropped.
void PacedSender::push(std::vector<KeyedFrame> frames, PausePlacement placement, Millis pause,
                       Superseded replaced) {
    {
        std::lock_guard lock(m_mutex);
        if (m_stop)
            return;
        bool added = false;
        for (KeyedFrame& f : frames) {
            if (f.text.empty())
                continue;
            auto same = m_items.end();
            if (!f.key.empty())
                same = std::find_if(m_items.begin(), m_items.end(), [&](const Item& i) {
                    return i.mergeable && i.frame.key == f.key;
                });
            if (same == m_items.end()) {
                m_items.push_back(
                    Item{KeyedFrame{f.key, std::string()}, placement, pause, true, nullptr, {}});
                same = std::prev(m_items.end());
                added = true;
            }
            same->frame.text = std::move(f.text);
            if (!f.key.empty())
                replaced.moveKey(f.key, same->standsFor);
        }
        if (!added)
            return;
        if (!m_worker.joinable())
            m_worker = std::thread([this] { run(); });
    }
    m_wake.notify_all();
}

std::shared_ptr<const SequenceProgress> PacedSender::enqueueTimed(std::vector<TimedFrame> frames) {
    auto progress = std::make_shared<SequenceProgress>();
    std::erase_if(frames, [](const TimedFrame& f) { return f.text.empty(); });
    progress->total = static_cast<int>(frames.size());
    if (frames.empty())
        return progress;
    {
        std::lock_guard lock(m_mutex);
        if (m_stop) {
            progress->dropped = progress->total;
            return progress;
        }
        for (TimedFrame& f : frames)
            m_items.push_back(Item{KeyedFrame{std::move(f.key), std::move(f.text)},
                                   PausePlacement::AfterEachFrame,
                                   f.pauseAfter,
                                   false,
                                   progress,
                                   {}});
        if (!m_worker.joinable())
            m_worker = std::thread([this] { run(); });
    }
    m_wake.notify_all();
    return progress;
}

void PacedSender::countDropped(Item& item) {
    if (item.progress)
        ++item.progress->dropped;
    item.standsFor.settle(false);
}

Superseded PacedSender::discard(const std::string& key) {
    Superseded taken;
    if (key.empty())
        return taken;
    // A frame of this key the worker has already taken goes out before the caller's.
    std::lock_guard sending(m_sendMutex);
    std::lock_guard lock(m_mutex);
    std::erase_if(m_items, [&](Item& i) {
        if (i.frame.key != key)
            return false;
        if (i.progress)
            taken.m_entries.push_back({key, i.progress});
        taken.add(std::move(i.standsFor));
        return true;
    });
    if (m_items.empty() && !m_inHand)
        m_idle.notify_all();
    return taken;
}

int PacedSender::pending() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_items.size());
}

bool PacedSender::busy() const {
    std::lock_guard lock(m_mutex);
    return m_inHand || !m_items.empty();
}

void PacedSender::waitIdle() {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_stop || (m_items.empty() && !m_inHand); });
}

void PacedSender::requestStop() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        for (Item& i : m_items)
            countDropped(i);
        m_items.clear();
    }
    m_wake.notify_all();
    m_idle.notify_all();
}

void PacedSender::stop() {
    requestStop();
    if (m_worker.joinable())
        m_worker.join();
    {
        std::lock_guard lock(m_mutex);
        m_inHand = false;
    }
    m_idle.notify_all();
}

PacedSender::Taken PacedSender::takeFront(Item& item) {
    std::lock_guard lock(m_mutex);
    if (m_stop)
        return Taken::Stopped;
    // discard() may have removed the frame while its pause ran.
    if (m_items.empty())
        return Taken::Nothing;
    item = std::move(m_items.front());
    m_items.pop_front();
    return Taken::Frame;
}

void PacedSender::run() {
    for (;;) {
        PausePlacement placement{};
        Millis pause{};
        {
            std::unique_lock lock(m_mutex);
            m_inHand = false;
            if (m_items.empty())
                m_idle.notify_all();
            m_wake.wait(lock, [this] { return m_stop || !m_items.empty(); });
            if (m_stop)
                return;
            m_inHand = true;
            placement = m_items.front().placement;
            pause = m_items.front().pause;
        }
        const bool before = placement == PausePlacement::BeforeEachFrame;
        // The frame stays queued while its pause runs, so a newer frame of its key can
        // still take its place.
        if (before && m_sink.isOnline())
            m_clock.sleepFor(pause);
        Item item;
        {
            std::lock_guard sending(m_sendMutex);
            const Taken taken = takeFront(item);
            if (taken == Taken::Stopped)
                return;
            if (taken == Taken::Nothing)
                continue;
            // The link may have gone down since the frame was queued, or go down as it is
            // sent: the frame is dropped.
            if (!m_sink.isOnline() || !m_sink.SendFrame(item.frame.text)) {
                countDropped(item);
                continue;
            }
        }
        if (item.progress)
            ++item.progress->sent;
        item.standsFor.settle(true);
        if (m_onFrameSent)
            m_onFrameSent();
        if (!before)
            m_clock.sleepFor(pause);
    }
}

} // namespace krm
