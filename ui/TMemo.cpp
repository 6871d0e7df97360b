#include "TMemo.h"

#include "Cp1254.h"
#include "TextRules.h"

TMemo::TMemo(QWidget *parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves the focus on, as in every other field of the window.
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, &TMemo::takeUserEdit);
}

void TMemo::setBytes(std::string_view bytes)
{
    m_bytes = cutAtNul(bytes);
    m_settingBytes = true;
    setPlainText(Cp1254::decode(m_bytes));
    m_settingBytes = false;
}

void TMemo::takeUserEdit()
{
    // Text typed into the field changes the buffer, as it would on a plain
    // text control.
    if (!m_settingBytes)
        m_bytes = Cp1254::encode(toPlainText());
}
