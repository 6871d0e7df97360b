#pragma once

#include <QPlainTextEdit>
#include <string>
#include <string_view>

// A multi-line edit field that also works as a byte buffer. The lookup keeps
// the site's bytes in it; a text field would lose carriage returns and bytes
// that do not survive a round trip through Unicode, so the bytes are kept as
// given and the field shows them decoded as Windows-1254. Like any text
// control, its text ends at the first NUL.
class TMemo : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit TMemo(QWidget *parent = nullptr);

    void setBytes(std::string_view bytes);
    const std::string &bytes() const { return m_bytes; }

private:
    void takeUserEdit();

    std::string m_bytes;
    bool m_settingBytes = false;
};
