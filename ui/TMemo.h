#pragma once

#include <QPlainTextEdit>
#include <QTimer>
#include <cstddef>
#include <string>
#include <string_view>

namespace vorlinda::ui {

// A multi-line edit field that also works as a byte buffer. The lookup keeps
// the site's bytes in it; a text field would lose carriage returns and bytes
// that do not survive a round trip through Unicode, so the bytes are kept as
// given and the field shows them decoded as Windows-1254. Like any text
// control, its text ends at the first NUL.
//
// The fields sit on the hidden panel, and laying out text costs the widget
// about 2 ms a KiB of a long line: a response of megabytes would hold up the
// window for seconds, and even a result page a few ms of every lookup. So
// the bytes live here, and the field itself gets at most their first
// kViewLimit bytes, and only a second after the last change or when it gets
// the focus, whichever comes first.
// Typing into it edits that part of the buffer; the rest follows unchanged.
class TMemo : public QPlainTextEdit
{
    Q_OBJECT
public:
    static constexpr std::size_t kViewLimit = 8192;
    // How long the field waits after a change before it takes its text.
    static constexpr int kIdleDelayMs = 1000;

    explicit TMemo(QWidget *parent = nullptr);

    void setBytes(std::string_view bytes);
    // As setBytes(), without a copy of megabytes.
    void takeBytes(std::string bytes);
    const std::string &bytes() const { return bytes_; }
    // The whole buffer as text, whatever part of it the field holds.
    QString toPlainText() const;
    // How many bytes of the buffer the field holds, from the front; it holds
    // none while it waits to take them.
    std::size_t bytesInField() const { return stale_ ? 0 : shown_; }

protected:
    void focusInEvent(QFocusEvent *event) override;

private:
    void fillField();
    void takeUserEdit();

    std::string bytes_;
    std::size_t shown_ = 0; // bytes of bytes_ the field holds, from the front
    bool stale_ = false;    // the field does not hold them yet
    bool settingBytes_ = false;
    QTimer idle_;
};

} // namespace vorlinda::ui
