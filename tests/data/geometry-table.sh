#!/bin/sh
# Writes geometry-table.txt: the line of sight for each case below, computed with GeographicLib's
# command-line tools (Debian package geographiclib-tools), independently of the console's code.
# Run from this folder: ./geometry-table.sh > geometry-table.txt
set -eu
cases='
near               41.5678901   -3.7654321  100    41.5680000   -3.7650000  150
far_north_100km    41.5000000   -3.7000000  700    42.3993000   -3.7000000  3000
far_southeast      41.5000000   -3.7000000  700    40.8600000   -2.8500000  1200
far_below_horizon  41.5000000   -3.7000000  700    42.4000000   -3.7000000  100
high_elevation     41.5678901   -3.7654321  100    41.5678901   -3.7642321  5100
negative_elevation 46.5000000    8.0000000  1500   46.5100000    8.0200000  900
straight_up        41.5678901   -3.7654321  100    41.5678901   -3.7654321  1100
antimeridian_east  10.0000000  179.9900000  0      10.0100000 -179.9900000  500
antimeridian_west -20.0000000 -179.9950000  50    -20.0050000  179.9950000  300
north_pole         89.9900000    0.0000000  0      89.9900000  180.0000000  1000
south_pole        -89.9950000   45.0000000  2800  -89.9900000 -135.0000000  3000
southwest         -33.8688000  151.2093000  50    -33.9000000  151.1700000  800
due_west_111km      0.5000000   10.0000000  0       0.5000000    9.0000000  10000
on_origin          41.5678901   -3.7654321  100    41.5678901   -3.7654321  100
'
cat <<'HEAD'
# The line of sight from an origin (lat0 lon0 h0) to a vehicle (lat lon h): degrees, metres above
# the WGS84 ellipsoid. Made by geometry-table.sh with GeographicLib's tools, for each case:
#   echo "lat lon h" | CartConvert -l lat0 lon0 h0 -p 9        -> east north up
#   echo "lat0 lon0 lat lon" | GeodSolve -i -p 9              -> azi1 azi2 s12; ground = s12
# and with awk from east, north, up: az = atan2(east, north) in degrees (plus 360 when
# negative), el = atan2(up, hypot(east, north)), slant = sqrt(east^2 + north^2 + up^2).
# name lat0 lon0 h0 lat lon h east north up ground az el slant
HEAD
echo "$cases" | while read -r name lat0 lon0 h0 lat lon h; do
    [ -n "$name" ] || continue
    enu=$(echo "$lat $lon $h" | CartConvert -l "$lat0" "$lon0" "$h0" -p 9)
    ground=$(echo "$lat0 $lon0 $lat $lon" | GeodSolve -i -p 9 | awk '{print $3}')
    echo "$name $lat0 $lon0 $h0 $lat $lon $h $enu $ground" | awk '{
        pi = atan2(0, -1); e = $8; n = $9; u = $10
        az = atan2(e, n) * 180 / pi; if (az < 0) az += 360
        el = atan2(u, sqrt(e * e + n * n)) * 180 / pi
        printf "%s %s %s %s %s %s %s %s %s %s %s %.9f %.9f %.9f\n", $1, $2, $3, $4, $5, $6, $7,
            e, n, u, $11, az, el, sqrt(e * e + n * n + u * u)
    }'
done
