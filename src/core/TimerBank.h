#pragma once
// The main window's numbered timers (1 serial poll, 2 polling, 3 one-shot reads, 5 link
// indicator, 6 the flight record's writes). Adding a running timer restarts it: its next tick
// is a full period away.

#include <QObject>
#include <array>
#include <functional>

class QTimer;

class TimerBank : public QObject {
public:
    static constexpr int kSerialPoll = 1;
    static constexpr int kPolling = 2;
    static constexpr int kOneShotReads = 3;
    static constexpr int kLinkIndicator = 5;
    static constexpr int kRecordFlush = 6;

    explicit TimerBank(std::function<void(int timer)> onTick, QObject* parent = nullptr);

    void add(int timer, int periodMs);
    void remove(int timer);
    bool isActive(int timer) const;
    int period(int timer) const;

private:
    static constexpr int kCount = 7;
    QTimer* timer(int number) const;
    std::array<QTimer*, kCount> m_timers{};
};
