#pragma once
// The command console: a list whose first line, the version banner, stays; older lines give
// way so that it holds at most 35 after an append, and long texts wrap once at 80 characters.

#include <QString>
#include <QStringList>

class LineList;

class Console {
public:
    static constexpr int kTrimAt = 34;
    static constexpr int kWrap = 80;

    explicit Console(LineList* list) : m_list(list) {}

    /// `ConsoleAppend`.
    void append(const QString& text);
    QStringList lines() const;

    /// The items a text becomes: itself, or its first 80 characters and "-" followed by
    /// characters 80..159 (the 80th on both lines, the rest dropped).
    static QStringList wrap(const QString& text);

private:
    LineList* m_list;
};
