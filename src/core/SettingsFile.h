#pragma once
// "SETUP_TAVO_MERLAN.txt": the connection dialog's parameters, nine UTF-8 lines ended by CR LF.
//   1 link kind when written   2 COM number   3 serial prefix
//   4 UDP IP   5 UDP local port   6 UDP tracker port
//   7 TCP IP   8 TCP local port   9 TCP tracker port

#include <QByteArrayView>
#include <QString>
#include <array>
#include <optional>

namespace settingsfile {

inline constexpr int kLines = 9;
inline constexpr qsizetype kMaxLineBytes = 1024;
inline constexpr qint64 kMaxFileBytes = 1024 * 1024;
using Lines = std::array<QString, kLines>;

QString path(const QString& resourceDirectory);

/// The file's bytes as its nine lines, missing ones empty. Lines end at CR LF, LF or CR; a
/// byte-order mark is skipped; a line longer than kMaxLineBytes, not UTF-8 or holding control
/// characters reads as empty, so that the dialog keeps its default there.
Lines parse(QByteArrayView bytes);

/// The nine lines (missing ones empty). A missing file is created empty; nullopt when the file
/// can be neither read nor created.
std::optional<Lines> load(const QString& path);

/// Replaces the file whole. The old file stays until the new one is complete, so a failure or
/// a crash while writing never leaves the settings lost or half written.
bool save(const QString& path, const Lines& lines);

}  // namespace settingsfile
