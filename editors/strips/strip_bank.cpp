#include "editors/strips/strip_bank.h"

#include "editors/strips/channel_strip.h"

#include <algorithm>

namespace krm {

StripBank::StripBank(EditService& edits, QObject* parent) : QObject(parent), m_edits(edits) {
    m_edits.addListener(this);
}

StripBank::~StripBank() {
    m_edits.removeListener(this);
}

void StripBank::edited(const Parameter*, const std::vector<Channel>& channels) {
    QList<int> inputs;
    QList<int> outputs;
    for (Channel c : channels) {
        if (c.isInput())
            inputs.append(c.index);
        else if (c.isOutput())
            outputs.append(c.index);
    }
    if (!inputs.isEmpty())
        reload(false, inputs);
    if (!outputs.isEmpty())
        reload(true, outputs);
}

void StripBank::add(ChannelStrip* strip) {
    m_strips.push_back(strip);
    connect(strip, &QObject::destroyed, this, [this, strip] {
        m_strips.erase(std::remove(m_strips.begin(), m_strips.end(), strip), m_strips.end());
    });
}

void StripBank::setControlGroup(bool output, int index, StripGroup group) {
    m_edits.links().of(output ? Channel::output(index) : Channel::input(index)) = std::move(group);
    repaint(output, index);
}

void StripBank::repaint(bool output, int index) {
    for (ChannelStrip* s : m_strips)
        if (s->isOutput() == output && s->channel() == index)
            s->update();
}

void StripBank::reload(bool output, const QList<int>& channels) {
    for (ChannelStrip* s : m_strips)
        if (s->isOutput() == output && channels.contains(s->channel()))
            s->requestReload();
}

void StripBank::requestReloadAll() {
    for (ChannelStrip* s : m_strips)
        s->requestReload();
}

void StripBank::refreshAll() {
    for (ChannelStrip* s : m_strips)
        s->refreshFromImage();
}

void StripBank::applyLanguage() {
    // Loading again gives the bound controls' tooltips in the new language too.
    for (ChannelStrip* s : m_strips) {
        s->applyLanguage();
        s->refreshFromImage();
    }
}

} // namespace krm
