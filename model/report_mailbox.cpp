#include "model/report_mailbox.h"

#include <utility>

namespace krm {

bool ReportMailbox::put(IncomingReport report, unsigned generation) {
    const std::size_t kind = report.index();
    std::lock_guard lock(m_mutex);
    std::optional<Letter>& slot = m_slots[kind];
    const bool wasEmpty = !slot.has_value();
    if (!wasEmpty)
        ++m_replaced;
    slot = Letter{std::move(report), generation};
    return wasEmpty;
}

std::optional<ReportMailbox::Letter> ReportMailbox::take(std::size_t kind) {
    if (kind >= kKinds)
        return std::nullopt;
    std::lock_guard lock(m_mutex);
    std::optional<Letter> letter = std::move(m_slots[kind]);
    m_slots[kind].reset();
    return letter;
}

std::size_t ReportMailbox::replaced() const {
    std::lock_guard lock(m_mutex);
    return m_replaced;
}

} // namespace krm
