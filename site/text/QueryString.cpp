#include "text/QueryString.h"

namespace vorlinda::site {
namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<std::string> QueryString::percentDecode(std::string_view text, bool plusIsSpace)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%') {
            if (i + 2 >= text.size())
                return std::nullopt;
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else if (c == '+' && plusIsSpace) {
            out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<QueryString> QueryString::fromTarget(std::string_view target, bool plusIsSpace)
{
    QueryString query;
    const std::size_t mark = target.find('?');
    if (mark == std::string_view::npos)
        return query;
    std::string_view rest = target.substr(mark + 1);
    rest = rest.substr(0, rest.find('#'));
    while (!rest.empty()) {
        const std::size_t amp = rest.find('&');
        const std::string_view field = rest.substr(0, amp);
        rest = amp == std::string_view::npos ? std::string_view{} : rest.substr(amp + 1);
        const std::size_t eq = field.find('=');
        if (eq == std::string_view::npos)
            continue;
        auto name = percentDecode(field.substr(0, eq), plusIsSpace);
        auto value = percentDecode(field.substr(eq + 1), plusIsSpace);
        if (!name || !value)
            return std::nullopt;
        query.fields_.emplace_back(std::move(*name), std::move(*value));
    }
    return query;
}

std::optional<std::string> QueryString::value(std::string_view name) const
{
    for (const auto &[fieldName, fieldValue] : fields_)
        if (fieldName == name)
            return fieldValue;
    return std::nullopt;
}

std::optional<DictionaryRequest> DictionaryRequest::fromTarget(std::string_view target)
{
    // The program writes blanks as they are or as %20, never as "+", and a
    // "+" may well be part of a word ("c++").
    const auto query = QueryString::fromTarget(target, false);
    if (!query)
        return std::nullopt;
    auto from = query->value("selectFrom");
    auto to = query->value("selectTo");
    if (!from || !to)
        return std::nullopt;
    return DictionaryRequest{std::move(*from), std::move(*to),
                             query->value("txtLang").value_or(std::string{})};
}

} // namespace vorlinda::site
