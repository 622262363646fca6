#pragma once
// The serial line's framing as the tracker sees it: commands arrive behind an address prefix
// ("@PC>25", one blank, the command), replies leave with the end marker "@25<PC".

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace serialframe {

inline constexpr QByteArrayView kPrefixStart = "@PC>";

struct SerialCommand {
    QByteArray raw;      ///< the bytes as they arrived, prefix included
    QByteArray command;  ///< what follows the prefix's first blank
};

/// Splits one read into commands at every "@PC>". A prefix without a blank carries an empty
/// command; text before the first prefix, unless it is only blanks and line ends, is taken
/// whole as a command that came without one.
QList<SerialCommand> splitRead(QByteArrayView bytes);

/// A reply as it goes out on the serial line.
QByteArray frameReply(QByteArrayView reply);

}  // namespace serialframe
