#pragma once

#include <string>
#include <string_view>

namespace tubrix {

// The languages the shop's texts come in: the setup sheet and the findings, which the sheet
// and the window both show. The command line loads no translator, so these texts are the
// library's own.
enum class Language { English, German };

// The language of a locale's name: German for "de" and its regions ("de_DE.UTF-8", "de_AT",
// "de@euro"), English for everything else, "C" and "POSIX" included.
Language LocaleLanguage(std::string_view locale);

// The language the locale of messages asks for, named as POSIX orders them: LC_ALL, else
// LC_MESSAGES, else LANG, the first that is set and not empty (a null pointer: unset); English
// when none is.
Language MessagesLanguage(const char* lcAll, const char* lcMessages, const char* lang);

// A number written with a point, written as the language writes it: German takes the decimal
// comma ("1.5" becomes "1,5"). Only numbers: a text with other points would change too.
std::string WithDecimalMark(std::string number, Language language);

// One text in every language, side by side, so that no language's text can be left out.
struct Wording {
    const char* English;
    const char* German;

    const char* In(Language language) const {
        return language == Language::German ? German : English;
    }
};

} // namespace tubrix
