#include "text/SiteLanguages.h"

#include "text/TextFolding.h"

namespace vorlinda::site {

std::span<const SiteLanguage> siteLanguages()
{
    // Serbo-Croatian has two FreeDict pairs with English; both are used.
    static const std::vector<SiteLanguage> kLanguages = {
        {"english", {"eng"}, "İngilizce"},   {"turkish", {"tur"}, "Türkçe"},
        {"spanish", {"spa"}, "İspanyolca"},  {"french", {"fra"}, "Fransızca"},
        {"german", {"deu"}, "Almanca"},      {"italian", {"ita"}, "İtalyanca"},
        {"dutch", {"nld"}, "Felemenkçe"},    {"portuguese", {"por"}, "Portekizce"},
        {"rumanian", {"ron"}, "Rumence"},    {"swedish", {"swe"}, "İsveççe"},
        {"danish", {"dan"}, "Danca"},        {"polish", {"pol"}, "Lehçe"},
        {"czech", {"ces"}, "Çekçe"},         {"serbo_croat", {"hrv", "srp"}, "Sırp-Hırvatça"},
        {"hungarian", {"hun"}, "Macarca"},   {"finnish", {"fin"}, "Fince"},
        {"esperanto", {"epo"}, "Esperanto"}, {"swahili", {"swh"}, "Svahili"},
    };
    return kLanguages;
}

std::string normaliseLanguageCode(std::string_view code)
{
    std::string out(trimBlanks(code));
    for (char &c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

const SiteLanguage *findSiteLanguage(std::string_view code)
{
    const std::string wanted = normaliseLanguageCode(code);
    for (const SiteLanguage &language : siteLanguages())
        if (language.code == wanted)
            return &language;
    return nullptr;
}

} // namespace vorlinda::site
