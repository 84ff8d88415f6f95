#pragma once
// StripBank: the set of channel strips of the main window (the eight-at-a-time strips and
// the large strips beside the editors) and the control-group state they share. It passes
// a linked edit on to every strip that shows a changed member, so those reload on their
// next tick, and fans out refresh and language changes. It owns no strip.
// UI thread only.

#include "editors/strips/strip_group.h"
#include "model/edit_service.h"

#include <QList>
#include <QObject>

#include <vector>

namespace krm {

class ChannelStrip;

class StripBank : public QObject, private EditListener {
    Q_OBJECT
public:
    // Listens to the edit service: every edit, whoever made it (a strip, an editor, the
    // readout, a bulk switch), reloads the strips showing a changed channel.
    explicit StripBank(EditService& edits, QObject* parent = nullptr);
    ~StripBank() override;

    // Registers a strip. A strip removes itself when destroyed.
    void add(ChannelStrip* strip);
    const std::vector<ChannelStrip*>& strips() const { return m_strips; }

    // Sets what one channel takes from a control group switched on (or, with an empty
    // member list and group 0, off) and redraws the strips showing it.
    void setControlGroup(bool output, int index, StripGroup group);
    const StripGroup& controlGroup(bool output, int index) const {
        return m_edits.links().of(output ? Channel::output(index) : Channel::input(index));
    }

    // Sets the reload flag of every strip that shows one of these channels.
    void reload(bool output, const QList<int>& channels);
    // Repaints the strips showing a channel (its group marker changed).
    void repaint(bool output, int index);
    void requestReloadAll();
    // Loads every strip from the image now (after a dump, a recall).
    void refreshAll();
    void applyLanguage();

private:
    void edited(const Parameter* parameter, const std::vector<Channel>& channels) override;

    EditService& m_edits;
    std::vector<ChannelStrip*> m_strips;
};

} // namespace krm
