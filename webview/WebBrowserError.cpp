#include "webview/WebBrowserError.h"

#include <system_error>

namespace vorlinda::webview {

WebBrowserError::WebBrowserError(const QString &message, std::uint32_t code)
    : std::runtime_error(message.toStdString()), code_(code)
{}

QString oleErrorText(std::uint32_t code)
{
    return QStringLiteral("OLE error %1").arg(code, 8, 16, QLatin1Char('0'));
}

static QString systemText(std::uint32_t code)
{
    // Only codes the system knows have a text; the C library names the rest
    // "Unknown error N", which tells the user nothing.
    if (code == 0 || code > 0xffff)
        return {};
    QString text = QString::fromStdString(std::generic_category().message(static_cast<int>(code)));
    if (text.startsWith(QLatin1String("Unknown error")))
        return {};
    return text;
}

static QString withoutTrailingBlanksAndPeriods(const QString &text)
{
    qsizetype end = text.size();
    while (end > 0 && (text.at(end - 1).isSpace() || text.at(end - 1) == QLatin1Char('.')))
        --end;
    return text.left(end);
}

QString webBrowserErrorMessage(const QString &description, std::uint32_t code)
{
    QString message = withoutTrailingBlanksAndPeriods(description);
    if (message.isEmpty())
        message = withoutTrailingBlanksAndPeriods(systemText(code));
    if (message.isEmpty())
        message = oleErrorText(code);
    return message;
}

} // namespace vorlinda::webview
