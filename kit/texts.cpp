#include "kit/texts.h"

namespace krm::ui {

namespace {
Language g_language = Language::English;
}

Language currentLanguage() {
    return g_language;
}

void setLanguage(Language language) {
    g_language = language;
}

QString text(const TextPair& pair) {
    return QString::fromUtf8(g_language == Language::Chinese ? pair.zh : pair.en);
}

} // namespace krm::ui
