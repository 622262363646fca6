#include "Console.h"

#include <algorithm>

#include "LineList.h"

QStringList Console::wrap(const QString& text)
{
    if (text.size() < kWrap) return {text};
    return {text.left(kWrap) + u'-', text.mid(kWrap - 1, kWrap)};
}

void Console::append(const QString& text)
{
    if (!m_list) return;
    // The banner in row 0 stays; from row 1 on, lines give way until fewer than 34 are left
    // (at most 34 at a time).
    const int excess = std::min(kTrimAt, m_list->count() - (kTrimAt - 1));
    m_list->edit(1, excess, wrap(text));
    m_list->scrollToBottom();
}

QStringList Console::lines() const
{
    return m_list ? m_list->lines() : QStringList();
}
