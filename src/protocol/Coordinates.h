#pragma once
// Latitudes and longitudes travel as integers in units of 1e-7 degree; on screen they are
// decimal degrees with seven decimals and "º" (U+00BA).

#include <QString>
#include <QStringView>

/// "415678901" -> "41.5678901º", "-1234567" -> "-0.1234567º", "5" -> "0.0000005º". The text is
/// read by the integer rule first, so anything that is no number shows as 0.0000000º.
QString formatCoordinate(QStringView text);

/// The inverse, for what the operator typed: "41.5678901º" -> "415678901", "-3.5" ->
/// "-35000000", "41" -> "410000000"; more than seven decimals are cut off.
QString parseCoordinate(QStringView text);
