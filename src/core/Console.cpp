#include "Console.h"

#include <QListWidget>

QStringList Console::wrap(const QString& text)
{
    if (text.size() < kWrap) return {text};
    return {text.left(kWrap) + u'-', text.mid(kWrap - 1, kWrap)};
}

void Console::append(const QString& text)
{
    if (!m_list) return;
    for (int removed = 0; m_list->count() >= kTrimAt && removed < kTrimAt; ++removed)
        delete m_list->takeItem(1);
    m_list->addItems(wrap(text));
    m_list->scrollToBottom();
}

QStringList Console::lines() const
{
    QStringList out;
    if (!m_list) return out;
    for (int i = 0; i < m_list->count(); ++i) out << m_list->item(i)->text();
    return out;
}
