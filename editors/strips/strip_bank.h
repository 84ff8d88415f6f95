#pragma once
// StripBank: the set of channel strips of the main window (the eight-at-a-time strips and
// the large strips beside the editors) and the control-group state they share. It passes
// a linked edit on to every strip that shows a changed member, so those reload on their
// next tick, and fans out refresh and language changes. It owns no strip.
// UI thread only.

#include "editors/strips/strip_group.h"

#include <QList>
#include <QObject>

#include <vector>

namespace krm {

class ChannelStrip;

class StripBank : public QObject {
    Q_OBJECT
public:
    explicit StripBank(QObject* parent = nullptr);

    // Registers a strip: it reads its group from the bank's table, and its linked edits
    // reload the strips of the members. A strip removes itself when destroyed.
    void add(ChannelStrip* strip);
    const std::vector<ChannelStrip*>& strips() const { return m_strips; }

    // Sets what one channel takes from a control group switched on (or, with an empty
    // member list and group 0, off) and redraws the strips showing it.
    void setControlGroup(bool output, int index, StripGroup group);
    const StripGroup& controlGroup(bool output, int index) const {
        return m_groups.of(output, index);
    }

    // Sets the reload flag of every strip that shows one of these channels.
    void reload(bool output, const QList<int>& channels);
    void requestReloadAll();
    // Loads every strip from the image now (after a dump, a recall).
    void refreshAll();
    void applyLanguage();

private:
    std::vector<ChannelStrip*> m_strips;
    StripGroupTable m_groups;
};

} // namespace krm
