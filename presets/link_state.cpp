#include "presets/link_state.h"

#include <QDateTime>

namespace krm {

namespace {

FileTime FileTimeOf(const QDateTime& t) {
    const QDate d = t.date();
    const QTime c = t.time();
    auto u16 = [](int v) { return static_cast<std::uint16_t>(v); };
    // Sunday is day 0 in the file, day 7 in Qt.
    return FileTime{u16(d.year()), u16(d.month()),  u16(d.dayOfWeek() % 7), u16(d.day()),
                    u16(c.hour()), u16(c.minute()), u16(c.second()),        u16(c.msec())};
}

} // namespace

LinkStateRecord LinkStateOf(const DeviceSession& session, const Clock& clock) {
    const Millis now = clock.now();
    const QDateTime wall = QDateTime::currentDateTime();
    auto local = [&](Millis t) {
        return t.count() == 0 ? FileTime{} : FileTimeOf(wall.addMSecs((t - now).count()));
    };
    LinkStateRecord link;
    link.online = session.isOnline();
    link.connectTries = session.connectTries();
    link.connecting = session.isConnecting();
    link.connectTime = local(session.connectTime());
    link.lastReplyTime = local(session.lastReplyTime());
    return link;
}

} // namespace krm
