#pragma once
// The interface language and the one way every window picks its texts: each user-visible
// text is an English/Chinese pair, chosen by the language set once at start-up
// (English by default, Chinese from the settings or "--lang zh").
// UI thread only.

#include "model/text_pair.h"

#include <QString>

namespace krm::ui {

enum class Language { English = 1, Chinese = 2 };

Language currentLanguage();
void setLanguage(Language language);

using krm::TextPair;

// The pair's text in the current language (both halves are UTF-8).
QString text(const TextPair& pair);
inline QString text(const char* en, const char* zh) {
    return text(TextPair{en, zh});
}

} // namespace krm::ui
