#pragma once
// ReportMailbox: where the receive thread leaves parsed reports for the owner thread,
// at most one of each kind (dump, identification, status, levels). A newer report of a
// kind replaces the one still waiting, so however fast a device sends, the owner thread
// has at most one task per kind to run and always stores the newest values.
//
// Threads: put() on the receive thread, take() on the owner thread; both lock.

#include "model/reports.h"

#include <array>
#include <cstddef>
#include <mutex>
#include <optional>
#include <variant>

namespace krm {

class ReportMailbox {
public:
    static constexpr std::size_t kKinds = std::variant_size_v<IncomingReport>;

    // A report with the receiver generation it came from.
    struct Letter {
        IncomingReport report;
        unsigned generation = 0;
    };

    // Leaves the report in its kind's slot, replacing any that waits there. True when the
    // slot was empty: the caller then posts one task that will take() this kind. While
    // that task waits, further reports of the kind only replace the slot's content.
    bool put(IncomingReport report, unsigned generation);
    // The waiting report of a kind (its slot is emptied), or nullopt when none waits.
    std::optional<Letter> take(std::size_t kind);

    // Reports that replaced a waiting one of their kind since the start (for measurements).
    std::size_t replaced() const;

private:
    mutable std::mutex m_mutex;
    std::array<std::optional<Letter>, kKinds> m_slots;
    std::size_t m_replaced = 0;
};

} // namespace krm
