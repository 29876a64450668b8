#include "services/Translation.h"

#include "services/Log.h"
#include "services/MessageCatalogue.h"

#include "util/Paths.h"
#include "util/Text.h"
#include "util/Utf8.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <libintl.h>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace {

// Characters 0x80..0xFF of Windows-1251 as Unicode code points; 0x98 is undefined in the code
// page and kept as U+0098.
constexpr char16_t HighHalf[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // B8
};

// The executable's own folder when catalogues of the domain lie there (the build folder), else
// the locale folder of the installation it belongs to.
std::string CatalogueFolder(const std::string& domain)
{
    const std::string folder = GetExeFolder();
    const QDir own(QString::fromStdString(folder));
    for (const QString& language : own.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (QFileInfo::exists(own.filePath(language + "/LC_MESSAGES/" +
                                           QString::fromStdString(domain) + ".mo"))) {
            return folder;
        }
    }
    return folder + QUORVEL_LOCALE_FROM_EXE;
}

// The language the texts are shown in, chosen at initialisation.
struct Language
{
    // "ru" (the texts stay as written), a catalogue's language such as "de" or "pt_BR", or "en".
    std::string name;
    // What a text falls back to when the user's catalogue lacks it.
    std::unordered_map<std::string, std::string> english;
    // Qt's own texts in the same language, while installed.
    std::unique_ptr<QTranslator> qt;
};

Language& Current()
{
    static Language language;
    return language;
}

// The languages gettext consults for messages, in order: none in the C or POSIX locale, where it
// translates nothing; else the LANGUAGE list when set, else the message locale itself.
std::vector<std::string> MessageLanguages()
{
    const char* locale = std::setlocale(LC_MESSAGES, nullptr);
    const std::string messages = locale ? locale : "C";
    if (messages == "C" || messages == "POSIX") {
        return {};
    }
    const char* list = std::getenv("LANGUAGE");
    std::vector<std::string> languages;
    for (const std::string& entry : SplitText(list ? list : "", ':')) {
        if (!entry.empty()) {
            languages.push_back(entry);
        }
    }
    if (languages.empty()) {
        languages.push_back(messages);
    }
    return languages;
}

// The catalogue gettext finds of the domain for a language entry such as "pt_BR.UTF-8": under
// the entry itself, without its code set and modifier, or under the bare language.
std::optional<std::string> CatalogueOf(const std::string& folder, const std::string& domain,
                                       const std::string& entry)
{
    const std::string territory = entry.substr(0, entry.find_first_of(".@"));
    const std::string language = territory.substr(0, territory.find('_'));
    for (const std::string& name : {entry, territory, language}) {
        if (IsRegularFile(JoinPath(folder, name, "LC_MESSAGES", domain + ".mo"))) {
            return name;
        }
    }
    return std::nullopt;
}

// "ru" when the user asks for Russian before any language that has a catalogue (the texts are
// written in Russian, so it needs none); else the first language with a catalogue; else "en".
std::string ChooseLanguage(const std::string& folder, const std::string& domain)
{
    for (const std::string& entry : MessageLanguages()) {
        if (entry.substr(0, entry.find_first_of("_.@")) == "ru") {
            return "ru";
        }
        if (auto name = CatalogueOf(folder, domain, entry)) {
            return *name;
        }
    }
    return "en";
}

// Qt's own texts (standard buttons, the menus of text fields, file dialogs) in a language; none
// before the application object exists or where Qt has no translation into it.
std::unique_ptr<QTranslator> QtTranslation(const std::string& language)
{
    auto translator = std::make_unique<QTranslator>();
    if (QCoreApplication::instance() == nullptr ||
        !translator->load(QString::fromStdString("qtbase_" + language),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator.get())) {
        return nullptr;
    }
    return translator;
}

} // namespace

std::string Cp1251ToUtf8(const std::string& text)
{
    std::string out;
    out.reserve(text.size() * 2);
    for (unsigned char byte : text) {
        if (byte == 0) {
            continue;
        }
        if (byte < 0x80) {
            out += static_cast<char>(byte);
        } else if (byte >= 0xC0) {
            AppendUtf8(out, 0x0410 + (byte - 0xC0)); // А..я are contiguous
        } else {
            AppendUtf8(out, HighHalf[byte - 0x80]);
        }
    }
    return out;
}

// Besides the catalogues, Qt's own texts follow the chosen language once the application object
// exists.
bool InitLocalization(const std::string& locale, const std::string& domain)
{
    bool ok = std::setlocale(LC_ALL, locale.c_str()) != nullptr;
    if (!ok) {
        qCWarning(lcServices) << "cannot set the locale" << locale.c_str()
                              << "(empty: the environment's)";
    }
    const std::string folder = CatalogueFolder(domain);
    Current() = {};
    const std::string language = ChooseLanguage(folder, domain);
    Current() = {language,
                 ReadMessageCatalogue(JoinPath(folder, "en", "LC_MESSAGES", domain + ".mo")),
                 QtTranslation(language)};
    if (bindtextdomain(domain.c_str(), folder.c_str()) == nullptr) {
        qCWarning(lcServices) << "cannot bind the message catalogue" << domain.c_str();
        ok = false;
    }
    // Catalogues are looked up and delivered as UTF-8 whatever the locale's code set.
    bind_textdomain_codeset(domain.c_str(), "UTF-8");
    ok = textdomain(domain.c_str()) != nullptr && ok;
    return ok;
}

std::string Translate(const std::string& text)
{
    const std::string key = IsValidUtf8(text) ? text : Cp1251ToUtf8(text);
    if (key.empty() || Current().name == "ru") {
        return text;
    }
    if (const char* result = gettext(key.c_str()); result != nullptr && key != result) {
        return result;
    }
    const auto& english = Current().english;
    const auto it = english.find(key);
    return it == english.end() ? text : it->second;
}

std::string GetLanguageCode()
{
    const char* current = std::setlocale(LC_ALL, nullptr);
    return LanguageCodeOf(current ? current : "");
}

std::string LanguageCodeOf(const std::string& locale)
{
    // A mixed locale reads "LC_CTYPE=ru_RU.UTF-8;LC_NUMERIC=...", a uniform one just its name.
    const auto categories = SplitText(locale, ';');
    std::string name = categories.empty() ? locale : categories.front();
    if (const auto pieces = SplitText(name, '='); pieces.size() >= 2) {
        name = pieces[1];
    }
    const auto pieces = SplitText(name, '_');
    const std::string language = pieces.empty() ? name : pieces.front();
    return language == "ru" || language == "Russian" ? "ru" : "en";
}
