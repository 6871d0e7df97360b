#pragma once

#include <QString>
#include <cstdint>
#include <stdexcept>

namespace vorlinda::webview {

// A navigation the web view refused. The message is what the user sees in
// the application's error box.
class WebBrowserError : public std::runtime_error
{
public:
    WebBrowserError(const QString &message, std::uint32_t code);

    std::uint32_t code() const { return code_; }

private:
    std::uint32_t code_ = 0;
};

// Codes of the refusals, in the form the control's callers have always seen.
namespace WebBrowserErrorCode {
inline constexpr std::uint32_t kInvalidUrl = 0x800c0002;
inline constexpr std::uint32_t kUnknownProtocol = 0x800c000d;
inline constexpr std::uint32_t kFailed = 0x80004005;
} // namespace WebBrowserErrorCode

// "OLE error " and the code as 8 lower-case hex digits.
QString oleErrorText(std::uint32_t code);

// The text of a refusal: the description without trailing blanks and periods,
// else the system's text for the code, else the OLE error text.
QString webBrowserErrorMessage(const QString &description, std::uint32_t code);

} // namespace vorlinda::webview
