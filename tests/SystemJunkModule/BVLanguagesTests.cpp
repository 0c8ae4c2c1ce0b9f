// Language files: codes from folder names, the languages the user keeps, the system's and the
// applications' translations on linux fixtures (grouped by language, never preselected) and on
// macos fixtures (".lproj" folders of bundles, preselected, code seals respected).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVPlistCodec.h"
#include "Foundation/BVSystemVersion.h"
#include "KnowledgeBase/BVIgnoreItemInfo.h"
#include "ScanningService/CoreScanning/BVFileRemover.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"
#include "SystemJunkModule/BVApplicationLanguagesScanTask.h"
#include "SystemJunkModule/BVSystemLanguagesScanTask.h"
#include "tests/SystemJunkModule/BVSystemJunkTestSupport.h"
#include "tests/fixtures/BVDiskSnapshot.h"

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

// Every entity is preselected on macos and none on linux.
std::vector<std::string> languageSummary(const BVScanResultPtr& result, const std::string& root, bool preselected = false) {
    std::vector<std::string> summary;
    for (const auto& item : result->items().value_or(std::vector<BVEntityPtr>{})) {
        auto language = std::dynamic_pointer_cast<BVLocalizationLanguageModel>(item);
        std::string line = language ? language->languageISOCode() + ":" : "?";
        for (const auto& file : language ? language->files() : std::vector<BVEntityPtr>{}) {
            std::string path = BVEntityPath(file);
            line += " " + path.substr(path.compare(0, root.size(), root) == 0 ? root.size() : 0);
            EXPECT_EQ(file->autoselected(), preselected) << path;
        }
        EXPECT_EQ(item->autoselected(), preselected) << line;
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
// Every entity is preselected on macos and none on linux.
std::vector<std::string> applicationSummary(const BVScanResultPtr& result, const std::string& base, bool preselected = false) {
    std::vector<std::string> summary;
    for (const auto& item : result->items().value_or(std::vector<BVEntityPtr>{})) {
        auto language = std::dynamic_pointer_cast<BVApplicationLanguageModel>(item);
        if (!language) return {"?"};
        std::string line = language->languageISOCode() + ":";
        EXPECT_EQ(language->autoselected(), preselected) << line;
        for (const auto& entity : language->applications()) {
            auto application = std::dynamic_pointer_cast<BVLocalizedApplicationFilesModel>(entity);
            line += " " + application->applicationInfo()->name() + "=";
            EXPECT_EQ(application->autoselected(), preselected) << line;
            for (const auto& file : application->files()) {
                std::string path = BVEntityPath(file);
                EXPECT_EQ(file->autoselected(), preselected) << path;
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
        BVApplicationLanguagesScanTask task(f.environment().paths, std::make_shared<BVBundleSystemInfo>(f.environment().paths, BVFileManager::defaultManager()),
                                            BVFileManager::defaultManager(),
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

namespace {

// The user's global preferences on a macos fixture: the preferred languages and the region.
void writeGlobalPreferences(const BVJunkFixture& f, std::vector<std::string> languages, const std::string& locale) {
    BVArray list;
    for (const auto& language : languages) list.push_back(BVValue(language));
    std::string file = f.home() + "/Library/Preferences/.GlobalPreferences.plist";
    BVFileIO::createDirectories(BVFileIO::parentPath(file));
    ASSERT_TRUE(BVPlistCodec::encodeToFile(BVValue(BVDictionary{{"AppleLanguages", BVValue(list)}, {"AppleLocale", BVValue(locale)}}),
                                           file, BVPlistCodec::Format::Binary));
}

void writeBundle(const BVJunkFixture& f, const std::string& bundle, const std::string& identifier) {
    BVFileIO::createDirectories(f.kb.folder / (bundle + "/Contents"));
    ASSERT_TRUE(BVPlistCodec::encodeToFile(BVValue(BVDictionary{{"CFBundleIdentifier", BVValue(identifier)}}),
                                           f.kb.folder / (bundle + "/Contents/Info.plist"), BVPlistCodec::Format::XML));
}

}  // namespace

TEST(BVApplicationLanguagesScanTask, OffersMacosLocalisationsTheUserDoesNotReadAndNoSealedOne) {
    BVJunkFixture f({}, BVLayout::macos);
    auto& folder = f.kb.folder;
    std::string editor = "root/Applications/Editor.app/Contents/";
    writeBundle(f, "root/Applications/Editor.app", "com.example.editor");
    for (const char* lproj : {"Base", "English", "de", "fr", "ua", "jp", "pt_BR"})
        folder.file(editor + "Resources/" + lproj + ".lproj/Localizable.strings", 3000);
    // An embedded framework whose every localisation would go keeps them; its Resources link
    // leads to the same folder and is not read twice.
    for (const char* lproj : {"fr", "es"}) folder.file(editor + "Frameworks/Kit.framework/Versions/A/Resources/" + lproj + ".lproj/a.nib", 3000);
    folder.symlink(editor + "Frameworks/Kit.framework/Resources", "Versions/A/Resources");
    // A plug-in's resources are judged on their own.
    for (const char* lproj : {"en", "fr"}) folder.file(editor + "PlugIns/Filter.bundle/Contents/Resources/" + lproj + ".lproj/b.strings", 3000);
    // A signed application: French is sealed, Italian optional.
    std::string signedApp = "root/Applications/Signed.app/Contents/";
    writeBundle(f, "root/Applications/Signed.app", "com.example.signed");
    for (const char* lproj : {"en", "fr", "it"}) folder.file(signedApp + "Resources/" + lproj + ".lproj/Localizable.strings", 3000);
    BVDictionary sealed = {{"Resources/fr.lproj/Localizable.strings", BVValue(BVDictionary{{"hash2", BVValue(BVData{"x"})}})},
                           {"Resources/it.lproj/Localizable.strings",
                            BVValue(BVDictionary{{"hash2", BVValue(BVData{"y"})}, {"optional", BVValue(true)}})}};
    folder.folder(signedApp + "_CodeSignature");
    ASSERT_TRUE(BVPlistCodec::encodeToFile(BVValue(BVDictionary{{"files2", BVValue(sealed)}}),
                                           folder / (signedApp + "_CodeSignature/CodeResources"), BVPlistCodec::Format::XML));
    // In the user's applications folder, ignored by its bundle identifier.
    writeBundle(f, "home/Applications/Ignored.app", "com.example.ignored");
    for (const char* lproj : {"en", "fr"}) folder.file("home/Applications/Ignored.app/Contents/Resources/" + std::string(lproj) + ".lproj/c", 3000);
    auto kb = f.handle(BVScannerApplicationLocalizations);
    ASSERT_TRUE(kb->createIgnoreItemWithInfo(BVIgnoreItemInfo("com.example.ignored")));

    writeGlobalPreferences(f, {"de-DE", "pt"}, "de_DE");
    auto scan = [&] {
        BVApplicationLanguagesScanTask task(f.environment().paths, std::make_shared<BVBundleSystemInfo>(f.environment().paths, BVFileManager::defaultManager()),
                                            BVFileManager::defaultManager(), f.handle(BVScannerApplicationLocalizations),
                                            BVAppLangPreferences::forLayout(*f.environment().paths), nullptr);
        return task.scan();
    };
    std::string base = folder.path() + "/root/Applications/";
    auto result = scan();
    EXPECT_EQ(applicationSummary(result, base, true),
              (std::vector<std::string>{"fr: Editor= Editor.app/Contents/PlugIns/Filter.bundle/Contents/Resources/fr.lproj "
                                        "Editor.app/Contents/Resources/fr.lproj",
                                        "it: Signed= Signed.app/Contents/Resources/it.lproj",
                                        "ja: Editor= Editor.app/Contents/Resources/jp.lproj",
                                        "uk: Editor= Editor.app/Contents/Resources/ua.lproj"}));
    EXPECT_EQ(result->selectedSize(), result->size());

    // Removing what is offered takes those folders and nothing else.
    BVDiskSnapshot before = BVSnapshot(folder.path());
    auto remover = std::make_shared<BVFileRemover>(nullptr, BVFileManager::defaultManager(), f.environment().paths);
    std::vector<std::string> removed;
    auto languages = result->items().value_or(std::vector<BVEntityPtr>{});
    for (const auto& language : languages)
        for (const auto& application : std::dynamic_pointer_cast<BVApplicationLanguageModel>(language)->applications())
            for (const auto& file : std::dynamic_pointer_cast<BVLocalizedApplicationFilesModel>(application)->files()) {
                file->setRemover(remover);
                for (const auto& [path, what] : before)
                    if (path == BVEntityPath(file) || path.starts_with(BVEntityPath(file) + "/")) removed.push_back(path);
            }
    for (const auto& language : languages) EXPECT_GT(language->remove()->size(), 0u);
    std::sort(removed.begin(), removed.end());
    EXPECT_EQ(BVChangedPaths(before, BVSnapshot(folder.path())), removed);

    // Without the user's languages nothing is offered: every language might be one they read.
    std::filesystem::remove(f.home() + "/Library/Preferences/.GlobalPreferences.plist");
    folder.file(editor + "Resources/sv.lproj/Localizable.strings", 3000);
    EXPECT_EQ(applicationSummary(scan(), base, true), std::vector<std::string>{});
}

TEST(BVSystemLanguagesScanTask, OffersTheLocalisationsOfBundlesInTheMacosLibraryFolders) {
    BVJunkFixture f({}, BVLayout::macos);
    auto& folder = f.kb.folder;
    for (const char* file : {"root/Library/Frameworks/Media.framework/Versions/A/Resources/en.lproj/a",
                             "root/Library/Frameworks/Media.framework/Versions/A/Resources/fr.lproj/a",
                             "root/Library/Frameworks/Media.framework/Versions/A/Resources/de.lproj/a",
                             // a widget is read from its top folder
                             "home/Library/Widgets/Clock.wdgt/en.lproj/a", "home/Library/Widgets/Clock.wdgt/fr.lproj/a",
                             // every localisation of this pane would go: it keeps them
                             "home/Library/PreferencePanes/Pane.prefPane/Contents/Resources/fr.lproj/a",
                             "home/Library/PreferencePanes/Pane.prefPane/Contents/Resources/es.lproj/a",
                             // a bundle deep in plain folders
                             "root/Library/Application Support/Vendor/Tools/Tool.bundle/Contents/Resources/en.lproj/a",
                             "root/Library/Application Support/Vendor/Tools/Tool.bundle/Contents/Resources/ja.lproj/a",
                             // hidden folders are not searched
                             "root/Library/.hidden/X.bundle/Contents/Resources/en.lproj/a",
                             "root/Library/.hidden/X.bundle/Contents/Resources/ja.lproj/a",
                             // the system's own, kept by its integrity protection on current systems
                             "root/System/Library/Frameworks/Core.framework/Versions/A/Resources/en.lproj/a",
                             "root/System/Library/Frameworks/Core.framework/Versions/A/Resources/ja.lproj/a"})
        folder.file(file, 3000);
    writeGlobalPreferences(f, {"de"}, "de_DE");
    auto scan = [&] {
        BVSystemLanguagesScanTask task(f.environment().paths, BVFileManager::defaultManager(), f.handle(BVScannerSystemLocalizations),
                                       BVAppLangPreferences::forLayout(*f.environment().paths), nullptr);
        return task.scan();
    };
    std::string base = folder.path() + "/";
    EXPECT_EQ(languageSummary(scan(), base, true),
              (std::vector<std::string>{"fr: root/Library/Frameworks/Media.framework/Versions/A/Resources/fr.lproj "
                                        "home/Library/Widgets/Clock.wdgt/fr.lproj",
                                        "ja: root/Library/Application Support/Vendor/Tools/Tool.bundle/Contents/Resources/ja.lproj"}));

    // Before 10.11 the system's folders are searched too.
    BVSystemVersion::setCurrent({10, 9, 0});
    auto old = languageSummary(scan(), base, true);
    BVSystemVersion::resetCurrent();
    ASSERT_EQ(old.size(), 2u);
    EXPECT_EQ(old[1], "ja: root/Library/Application Support/Vendor/Tools/Tool.bundle/Contents/Resources/ja.lproj "
                      "root/System/Library/Frameworks/Core.framework/Versions/A/Resources/ja.lproj");
}
