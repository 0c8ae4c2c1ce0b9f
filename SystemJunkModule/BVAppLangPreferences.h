// BVAppLangPreferences: which languages the user keeps, and which codes are never removed.
// BVLanguageCodes: language codes from folder names (".lproj" folders, the system's locale
// folders) and their base codes.
//
// A code's base is its language alone, lower-cased: the part before the first "-", "_", "." or
// "@" ("pt-BR", "pt_BR.UTF-8" and "pt" share "pt"). English, the "C" and "POSIX" locales and a
// bundle's base localisation ("Base.lproj", the interface every other language builds on) are
// always kept. On linux the user's languages are those of LANGUAGE (a ":" list), LC_ALL,
// LC_MESSAGES and LANG, and the locales generated on the system (`locale -a`): a locale someone
// generated is a language someone here reads. On macos they are the preferred languages and the
// region's language of the user's global preferences ("AppleLanguages", "AppleLocale"); when
// those cannot be read the preferences are unknown, and the language tasks then offer nothing
// rather than every language the user might read. Immutable after construction; any thread.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

class BVPaths;

namespace BVLanguageCodes {
std::string baseCode(const std::string& code);
// The code a folder name stands for. A name with ".lproj" gives the text before it, with the
// short names "ua" read as "uk" and "jp" as "ja", and names in words ("English", "German")
// turned into their codes; a region is written after "-" ("pt_BR" gives "pt-BR"). Other names
// are returned unchanged.
std::string shortLanguageNameFromDirectoryTwoLetters(const std::string& name);
// The code of a locale folder of the system ("de", "pt_BR", "sr@latin", "C"), or none when the
// name is not a locale name ("man1", "locale.alias").
std::optional<std::string> localeFolderCode(const std::string& name);
}  // namespace BVLanguageCodes

class BVAppLangPreferences {
public:
    // `userLanguages` are codes or locale names in any of the forms above.
    explicit BVAppLangPreferences(const std::vector<std::string>& userLanguages);
    // The languages of this process's environment and of the generated locales.
    static BVAppLangPreferences fromEnvironment();
    // The user's global preferences file on macos; unknown when it or its languages cannot be read.
    static BVAppLangPreferences fromGlobalPreferences(const std::string& file);
    // The layout's source: the global preferences below the home on macos, the environment on linux.
    static BVAppLangPreferences forLayout(const BVPaths& paths);
    // Preferences that know nothing of the user: every language might be one the user reads.
    static BVAppLangPreferences unknown();

    // False when the user's languages could not be read.
    bool known() const { return known_; }

    // The user keeps the code's base language.
    bool shouldKeepLanguageWithCode(const std::string& code) const;
    // Never removed, whatever the user keeps: English and the C locale.
    bool isProtectedISOCode(const std::string& code) const;
    const std::set<std::string>& keptBaseCodes() const { return kept_; }

private:
    std::set<std::string> kept_;
    bool known_ = true;
};
