#include "language.h"

#include <algorithm>

namespace tubrix {

Language LocaleLanguage(std::string_view locale) {
    // The language is what comes before the territory, the code set and the modifier.
    const std::string_view language = locale.substr(0, locale.find_first_of("_.@"));
    return language == "de" ? Language::German : Language::English;
}

Language MessagesLanguage(const char* lcAll, const char* lcMessages, const char* lang) {
    for (const char* value : {lcAll, lcMessages, lang}) {
        if (value && *value) {
            return LocaleLanguage(value);
        }
    }
    return Language::English;
}

std::string WithDecimalMark(std::string number, Language language) {
    if (language == Language::German) {
        std::replace(number.begin(), number.end(), '.', ',');
    }
    return number;
}

} // namespace tubrix
