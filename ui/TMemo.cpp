#include "ui/TMemo.h"

#include "platform/Cp1254.h"

#include <algorithm>

namespace vorlinda::ui {

namespace {
namespace Cp1254 = vorlinda::platform::Cp1254;
}

TMemo::TMemo(QWidget *parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves the focus on, as in every other field of the window.
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, &TMemo::takeUserEdit);
    idle_.setSingleShot(true);
    idle_.setInterval(kIdleDelayMs);
    connect(&idle_, &QTimer::timeout, this, &TMemo::fillField);
}

void TMemo::setBytes(std::string_view bytes)
{
    takeBytes(std::string(bytes));
}

void TMemo::takeBytes(std::string bytes)
{
    bytes.resize(std::min(bytes.find('\0'), bytes.size()));
    bytes_ = std::move(bytes);
    shown_ = std::min(bytes_.size(), kViewLimit);
    stale_ = true;
    idle_.start();
}

QString TMemo::toPlainText() const
{
    return Cp1254::decode(bytes_);
}

void TMemo::fillField()
{
    if (!stale_)
        return;
    stale_ = false;
    idle_.stop();
    settingBytes_ = true;
    setPlainText(Cp1254::decode(std::string_view(bytes_).substr(0, shown_)));
    settingBytes_ = false;
}

void TMemo::focusInEvent(QFocusEvent *event)
{
    fillField(); // before the user can type into it
    QPlainTextEdit::focusInEvent(event);
}

void TMemo::takeUserEdit()
{
    // Text typed into the field changes the buffer, as it would on a plain
    // text control.
    if (settingBytes_)
        return;
    // Text put in by other means than setBytes() replaces what the field
    // was still to take.
    stale_ = false;
    idle_.stop();
    std::string edited = Cp1254::encode(QPlainTextEdit::toPlainText());
    const std::size_t shown = edited.size();
    edited.append(bytes_, shown_);
    bytes_ = std::move(edited);
    shown_ = shown;
}

} // namespace vorlinda::ui
