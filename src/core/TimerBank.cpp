#include "TimerBank.h"

#include <QTimer>

TimerBank::TimerBank(std::function<void(int)> onTick, QObject* parent) : QObject(parent)
{
    for (int n = 1; n < kCount; ++n) {
        auto* t = new QTimer(this);
        t->setTimerType(Qt::PreciseTimer);
        connect(t, &QTimer::timeout, this, [onTick, n] { onTick(n); });
        m_timers[std::size_t(n)] = t;
    }
}

QTimer* TimerBank::timer(int number) const
{
    return number > 0 && number < kCount ? m_timers[std::size_t(number)] : nullptr;
}

void TimerBank::add(int number, int periodMs)
{
    if (QTimer* t = timer(number)) t->start(periodMs);
}

void TimerBank::remove(int number)
{
    if (QTimer* t = timer(number)) t->stop();
}

bool TimerBank::isActive(int number) const
{
    const QTimer* t = timer(number);
    return t && t->isActive();
}

int TimerBank::period(int number) const
{
    const QTimer* t = timer(number);
    return t ? t->interval() : 0;
}
