#include "editors/strips/strip_bank.h"

#include "editors/strips/channel_strip.h"

#include <algorithm>

namespace krm {

StripBank::StripBank(QObject* parent) : QObject(parent) {}

void StripBank::add(ChannelStrip* strip) {
    m_strips.push_back(strip);
    strip->setGroupTable(&m_groups);
    connect(strip, &ChannelStrip::linkedChannelsChanged, this, &StripBank::reload);
    connect(strip, &QObject::destroyed, this, [this, strip] {
        m_strips.erase(std::remove(m_strips.begin(), m_strips.end(), strip), m_strips.end());
    });
}

void StripBank::setControlGroup(bool output, int index, StripGroup group) {
    m_groups.of(output, index) = std::move(group);
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
    for (ChannelStrip* s : m_strips)
        s->applyLanguage();
}

} // namespace krm
