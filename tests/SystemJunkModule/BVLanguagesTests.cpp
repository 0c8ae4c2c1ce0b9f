// Language files: codes from folder names, the languages the user keeps, and the system's
// translations on a linux fixture root, grouped by language and never preselected.
#include <gtest/gtest.h>

#include <cstdlib>

#include "KnowledgeBase/BVIgnoreItemInfo.h"
#include "ScanningService/CoreScanning/BVFileRemover.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"
#include "SystemJunkModule/BVApplicationLanguagesScanTask.h"
#include "SystemJunkModule/BVSystemLanguagesScanTask.h"
#include "tests/SystemJunkModule/BVSystemJunkTestSupport.h"

TEST(BVLanguageCodes, FolderNamesGiveCodes) {
    struct Case {
        const char* name;
        const char* code;
    };
    for (const Case& c : std::vector<Case>{{"ua.lproj", "uk"},
                                           {"jp.lproj", "ja"},
                                           {"English.lproj", "en"},
                                           {"German.lproj", "de"},
                                           {"pt_BR.lproj", "pt-BR"},
                                           {"zh-Hans.lproj", "zh-Hans"},
                                           {"/Apps/A.app/Contents/Resources/fr.LPROJ", "fr"},
                                           {"Klingon.lproj", "klingon"},  // nothing known: the text itself
                                           {"notes.txt", "notes.txt"}}) {
        EXPECT_EQ(BVLanguageCodes::shortLanguageNameFromDirectoryTwoLetters(c.name), c.code) << c.name;
    }
    struct Folder {
        const char* name;
        std::optional<std::string> code;
    };
    for (const Folder& f : std::vector<Folder>{{"de", "de"},
                                               {"pt_BR", "pt-BR"},
                                               {"sr@latin", "sr@latin"},
                                               {"ast", "ast"},
                                               {"zh_CN.GB2312", "zh-CN"},
                                               {"C", "C"},
                                               {"man1", std::nullopt},
                                               {"locale.alias", std::nullopt},
                                               {"LC_MESSAGES", std::nullopt},
                                               {"x", std::nullopt}}) {
        EXPECT_EQ(BVLanguageCodes::localeFolderCode(f.name), f.code) << f.name;
    }
}

TEST(BVAppLangPreferences, KeepsTheUsersBaseLanguagesAndAlwaysEnglish) {
    BVAppLangPreferences preferences({"de_DE.UTF-8", "pt", "C.UTF-8"});
    for (const char* kept : {"de", "de-AT", "de_CH", "pt-BR", "pt"}) EXPECT_TRUE(preferences.shouldKeepLanguageWithCode(kept)) << kept;
    for (const char* gone : {"fr", "es-ES", "sr@latin"}) EXPECT_FALSE(preferences.shouldKeepLanguageWithCode(gone)) << gone;
    for (const char* never : {"en", "en-GB", "en@quot", "C", "POSIX"}) EXPECT_TRUE(preferences.isProtectedISOCode(never)) << never;
    EXPECT_FALSE(preferences.isProtectedISOCode("de"));

    // The environment's languages: LANGUAGE's list, then the locale variables.
    ::setenv("LANGUAGE", "fr_CA:nl", 1);
    ::setenv("LC_MESSAGES", "ja_JP.UTF-8", 1);
    auto fromEnvironment = BVAppLangPreferences::fromEnvironment();
    ::unsetenv("LANGUAGE");
    ::unsetenv("LC_MESSAGES");
    for (const char* kept : {"fr", "nl", "ja"}) EXPECT_TRUE(fromEnvironment.keptBaseCodes().count(kept)) << kept;
}

namespace {

std::vector<std::string> languageSummary(const BVScanResultPtr& result, const std::string& root) {
    std::vector<std::string> summary;
    for (const auto& item : result->items().value_or(std::vector<BVEntityPtr>{})) {
        auto language = std::dynamic_pointer_cast<BVLocalizationLanguageModel>(item);
        std::string line = language ? language->languageISOCode() + ":" : "?";
        for (const auto& file : language ? language->files() : std::vector<BVEntityPtr>{}) {
            std::string path = BVEntityPath(file);
            line += " " + path.substr(path.compare(0, root.size(), root) == 0 ? root.size() : 0);
            EXPECT_FALSE(file->autoselected()) << path;
        }
        EXPECT_FALSE(item->autoselected()) << line;
        summary.push_back(line);
    }
    return summary;
}

}  // namespace

TEST(BVSystemLanguagesScanTask, OffersTheSystemsOtherLanguagesGroupedByLanguage) {
    BVJunkFixture f;
    auto& folder = f.kb.folder;
    for (const char* file : {"root/usr/share/locale/de/LC_MESSAGES/coreutils.mo", "root/usr/share/locale/de_AT/LC_MESSAGES/a.mo",
                             "root/usr/share/locale/fr/LC_MESSAGES/coreutils.mo", "root/usr/share/locale/pt_BR/LC_MESSAGES/a.mo",
                             "root/usr/share/locale/en_GB/LC_MESSAGES/a.mo", "root/usr/share/locale/en@quot/LC_MESSAGES/a.mo",
                             "root/usr/share/man/fr/man1/ls.1.gz", "root/usr/share/man/man1/ls.1.gz",
                             "root/usr/share/man/pt_BR/man1/ls.1.gz", "root/usr/share/help/C/gnome-help/index.page",
                             "root/usr/share/help/fr/gnome-help/index.page"})
        folder.file(file, 3000);
    folder.file("root/usr/share/locale/locale.alias", 3000);
    auto scan = [&](std::vector<std::string> languages) {
        BVSystemLanguagesScanTask task(f.environment().paths, BVFileManager::defaultManager(),
                                       f.handle(BVScannerSystemLocalizations), BVAppLangPreferences(languages), nullptr);
        return task.scan();
    };
    std::string share = f.root() + "/usr/share/";
    auto result = scan({"de_DE.UTF-8"});
    EXPECT_EQ(languageSummary(result, share),
              (std::vector<std::string>{"fr: locale/fr man/fr help/fr", "pt-BR: locale/pt_BR man/pt_BR"}));
    EXPECT_EQ(result->selectedSize(), 0u);

    // A language on the ignore list is hidden, and so is a folder on it.
    auto kb = f.handle(BVScannerSystemLocalizations);
    ASSERT_TRUE(kb->createIgnoreItemWithInfo(BVIgnoreItemInfo("pt-BR")));
    ASSERT_TRUE(kb->createIgnoreItemWithInfo(BVIgnoreItemInfo(share + "help/fr")));
    EXPECT_EQ(languageSummary(scan({"de"}), share), (std::vector<std::string>{"fr: locale/fr man/fr"}));

    // Removing a language removes its folders and nothing of the languages kept.
    auto french = scan({"de"})->items()->at(0);
    auto remover = std::make_shared<BVFileRemover>(nullptr, BVFileManager::defaultManager(), f.environment().paths);
    for (const auto& file : std::dynamic_pointer_cast<BVLocalizationLanguageModel>(french)->files()) file->setRemover(remover);
    auto removal = french->remove();
    EXPECT_GT(removal->size(), 0u);
    auto fm = BVFileManager::defaultManager();
    EXPECT_FALSE(fm->fileExistsAtPath(share + "locale/fr"));
    EXPECT_FALSE(fm->fileExistsAtPath(share + "man/fr"));
    EXPECT_TRUE(fm->fileExistsAtPath(share + "help/fr"));  // ignored: not offered, not removed
    EXPECT_TRUE(fm->fileExistsAtPath(share + "locale/de/LC_MESSAGES/coreutils.mo"));
    EXPECT_TRUE(fm->fileExistsAtPath(share + "man/man1/ls.1.gz"));
}

namespace {

// "code: application=folder folder" per language of an application languages result.
std::vector<std::string> applicationSummary(const BVScanResultPtr& result, const std::string& base) {
    std::vector<std::string> summary;
    for (const auto& item : result->items().value_or(std::vector<BVEntityPtr>{})) {
        auto language = std::dynamic_pointer_cast<BVApplicationLanguageModel>(item);
        if (!language) return {"?"};
        std::string line = language->languageISOCode() + ":";
        EXPECT_FALSE(language->autoselected());
        for (const auto& entity : language->applications()) {
            auto application = std::dynamic_pointer_cast<BVLocalizedApplicationFilesModel>(entity);
            line += " " + application->applicationInfo()->name() + "=";
            for (const auto& file : application->files()) {
                std::string path = BVEntityPath(file);
                line += " " + path.substr(path.compare(0, base.size(), base) == 0 ? base.size() : 0);
            }
        }
        summary.push_back(line);
    }
    return summary;
}

}  // namespace

TEST(BVApplicationLanguagesScanTask, GroupsByLanguageThenApplicationAndNeverTakesEveryTranslation) {
    BVJunkFixture f;
    auto& folder = f.kb.folder;
    for (const char* file : {// an extracted image: English, German, French, Spanish
                             "home/Applications/Editor/usr/share/locale/en/LC_MESSAGES/editor.mo",
                             "home/Applications/Editor/usr/share/locale/de/LC_MESSAGES/editor.mo",
                             "home/Applications/Editor/usr/share/locale/fr/LC_MESSAGES/editor.mo",
                             "home/Applications/Editor/usr/share/locale/es_ES/LC_MESSAGES/editor.mo",
                             // a bundled tool with no English: every one of its translations would go
                             "home/Applications/Editor/lib/helper/locale/fr/LC_MESSAGES/helper.mo",
                             "home/Applications/Editor/lib/helper/locale/es/LC_MESSAGES/helper.mo",
                             // a vendor's bundle in /opt
                             "root/opt/viewer/share/locale/C/LC_MESSAGES/viewer.mo",
                             "root/opt/viewer/share/locale/fr/LC_MESSAGES/viewer.mo",
                             "root/opt/viewer/share/locale/de_AT/LC_MESSAGES/viewer.mo",
                             // too deep to be an application's own locale folder
                             "root/opt/viewer/a/b/c/d/e/f/locale/fr/x.mo",
                             "root/opt/viewer/a/b/c/d/e/f/locale/en/x.mo"})
        folder.file(file, 3000);
    folder.symlink("home/Applications/Linked", folder / "root/opt/viewer");  // a link is not an application
    auto scan = [&] {
        BVApplicationLanguagesScanTask task(f.environment().paths, BVFileManager::defaultManager(),
                                            f.handle(BVScannerApplicationLocalizations), BVAppLangPreferences({"de_DE.UTF-8"}), nullptr);
        return task.scan();
    };
    std::string base = folder.path() + "/";
    EXPECT_EQ(applicationSummary(scan(), base),
              (std::vector<std::string>{"es-ES: Editor= home/Applications/Editor/usr/share/locale/es_ES",
                                        "fr: Editor= home/Applications/Editor/usr/share/locale/fr viewer= root/opt/viewer/share/locale/fr"}));

    // Ignored for one application, a language is still offered for the others; ignored for
    // any application, it is gone everywhere.
    auto kb = f.handle(BVScannerApplicationLocalizations);
    ASSERT_TRUE(kb->createIgnoreItemWithInfo(BVIgnoreItemInfo("fr-Editor")));
    ASSERT_TRUE(kb->createIgnoreItemWithInfo(BVIgnoreItemInfo("es-ES-ANY")));
    EXPECT_EQ(applicationSummary(scan(), base), (std::vector<std::string>{"fr: viewer= root/opt/viewer/share/locale/fr"}));
}
