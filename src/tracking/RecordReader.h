#pragma once
// Reading a flight record back (the format is in FlightRecord.h) for review. Bad lines are
// skipped and the first one is reported; every line that reads is kept. Whatever the bytes,
// the result is defined.

#include <QByteArrayView>
#include <QString>
#include <vector>

#include "TrackSample.h"

namespace tracking {

/// A line longer than this (without its line end) is bad: the writer's rows are far shorter.
inline constexpr qsizetype kMaxRecordLineBytes = 1024;

/// How much of a record is read; the rest is left unread and the result marked truncated.
struct RecordLimits {
    qsizetype maxBytes = qsizetype(64) << 20;
    qsizetype maxRows = 500'000;  ///< lines after the header, good or bad
};

struct RecordReadResult {
    std::vector<TrackSample> samples;
    int firstBadLine = 0;  ///< 1-based, 0 when none
    /// One sentence naming the first bad line ("Line 7: 17 fields, 18 expected."), followed by
    /// one about the truncation when both happened. Not empty with firstBadLine 0 only when the
    /// file could not be read.
    QString problem;
    /// The record went past a limit: lines from the first one not read on are not in `samples`.
    /// When no line before was bad, that line is firstBadLine.
    bool truncated = false;
};

/// Reads the record in `bytes`. A UTF-8 byte-order mark before the header and CR LF line ends
/// are tolerated; the last line needs no line end if it reads. The line of sight's east, north
/// and up are computed from the two positions; its angles and ranges and the pointing error
/// are taken from the record as written.
RecordReadResult parseRecord(QByteArrayView bytes, const RecordLimits& limits = {});

/// parseRecord of the file at `path`, reading no more than the limit.
RecordReadResult readRecord(const QString& path, const RecordLimits& limits = {});

}  // namespace tracking
