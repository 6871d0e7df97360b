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
    m_idle.setSingleShot(true);
    m_idle.setInterval(idleDelayMs);
    connect(&m_idle, &QTimer::timeout, this, &TMemo::fillField);
}

void TMemo::setBytes(std::string_view bytes)
{
    takeBytes(std::string(bytes));
}

void TMemo::takeBytes(std::string bytes)
{
    bytes.resize(std::min(bytes.find('\0'), bytes.size()));
    m_bytes = std::move(bytes);
    m_shown = std::min(m_bytes.size(), viewLimit);
    m_stale = true;
    m_idle.start();
}

QString TMemo::toPlainText() const
{
    return Cp1254::decode(m_bytes);
}

void TMemo::fillField()
{
    if (!m_stale)
        return;
    m_stale = false;
    m_idle.stop();
    m_settingBytes = true;
    setPlainText(Cp1254::decode(std::string_view(m_bytes).substr(0, m_shown)));
    m_settingBytes = false;
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
    if (m_settingBytes)
        return;
    // Text put in by other means than setBytes() replaces what the field
    // was still to take.
    m_stale = false;
    m_idle.stop();
    std::string edited = Cp1254::encode(QPlainTextEdit::toPlainText());
    const std::size_t shown = edited.size();
    edited.append(m_bytes, m_shown);
    m_bytes = std::move(edited);
    m_shown = shown;
}

} // namespace vorlinda::ui
