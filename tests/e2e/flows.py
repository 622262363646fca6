#!/usr/bin/env python3
"""End-to-end flows: the console on a virtual X server against the tracker simulator, driven
as an operator drives it, checked by what reaches the simulator and what shows on screen.

    flows.py --app PATH --sim PATH --work DIR FLOW...    (exit 77 when the X tools are missing)
    flows.py --list
"""

import argparse
import os
import re
import sys
import time

from desk import (Desk, EDITING, Failure, GREY_FIELD, GREY_WINDOW, LINK_FAILED, LINK_OPEN,
                  close_to, differs, free_port, missing_tools, wait_until, worst_block)

# Main window controls (x, y, w, h in client pixels).
COMMAND_ENTRY = (10, 540, 340, 20)
GAUGES = (590, 70, 410, 150)
DX_FIELD = (700, 230, 70, 20)
DISTMIN_FIELD = (890, 360, 110, 20)
MSG_FIELD = (680, 540, 320, 20)
POLLING_BUTTON = (360, 540, 30, 20)
LINK_LABEL = (410, 540, 60, 20)
ORIGIN_LAT = (680, 450, 110, 20)

# Connection dialog controls.
COM_FIELD = (70, 90, 20, 20)
COM_BUTTON = (390, 90, 70, 20)
UDP_FIELDS = [(50, 170, 100, 20), (230, 170, 40, 20), (340, 170, 40, 20)]
UDP_BUTTON = (390, 170, 70, 20)
TCP_FIELDS = [(50, 250, 100, 20), (230, 250, 40, 20), (340, 250, 40, 20)]
TCP_BUTTON = (390, 250, 70, 20)

POLLED = re.compile(r"DXYPV|STAT|ID|UAVGPS|UAVDAT|GPS|MAV.*|MOTSETUP.*|NET.*|AUDIO.*|VCC|TEMP")


def field_colour(window, rect):
    """The background of a field, at its right end where no text reaches."""
    x, y, w, h = rect
    return window.pixel(x + w - 4, y + h // 2)


def wait_colour(window, rects, colour, what):
    wait_until(lambda: all(close_to(field_colour(window, r), colour) for r in rects), what)


def count_pixels(picture, test):
    return sum(1 for i in range(0, len(picture.data), 3) if test(picture.data[i:i + 3]))


def shows_text(window, rect):
    """Whether a grey field shows dark text (one not painted yet shows no grey at all)."""
    p = window.picture(rect)
    pixels = len(p.data) // 3
    return (count_pixels(p, lambda c: close_to(c, GREY_FIELD)) > pixels // 2
            and count_pixels(p, lambda c: max(c) < 64) > 5)


def read_field(window, rect, what):
    """The text of a field that is known to hold some."""
    return wait_until(lambda: window.field_text(rect, settle=0.5), what)


def arrange(desk, main):
    """No window manager here: the operator's first move is to put the connection dialog
    beside the main window instead of over it."""
    dialog = desk.window("COM")
    desk.move(main, 10, 10)
    desk.move(dialog, 10 + round(1024 * desk.scale) + 16, 10)
    return dialog


def close_console(desk, main):
    main.close()
    code = desk.app_exit_code()
    if code != 0:
        raise Failure(f"the console exited with code {code} after its close box")


def flow_udp(desk):
    """UDP link, live gauges, a setting committed, a typed command with polling paused."""
    main = desk.start_console()
    dialog = arrange(desk, main)
    idle_label = main.steady_picture(LINK_LABEL)
    dialog.click_rect(UDP_BUTTON)
    desk.wait_received("DXYPV", "udp")
    desk.wait_received("STAT", "udp")
    wait_colour(dialog, UDP_FIELDS, LINK_OPEN, "the UDP row to turn green")
    for r in TCP_FIELDS + [COM_FIELD]:
        if not close_to(field_colour(dialog, r), GREY_WINDOW):
            raise Failure(f"row field {r} is not grey while UDP is open")
    wait_until(lambda: differs(main.picture(LINK_LABEL), idle_label) > 0,
               "the link label to show the open link")

    # Live pointing: the simulated antenna tracks the flying vehicle; the gauges follow it.
    first = main.picture(GAUGES)
    wait_until(lambda: differs(main.picture(GAUGES), first) > 50, "the gauges to move")
    mark = desk.mark()
    main.type_into(DX_FIELD, "200")
    desk.wait_received("DX 200", "udp", since=mark)
    before = main.picture(GAUGES)
    wait_until(lambda: differs(main.picture(GAUGES), before) > 200,
               "the azimuth gauge to swing towards 200")

    # A setting committed: typed + Return goes out exactly; the tracker's answer (it limits
    # the distance to 100000) shows once the field is left. While the operator holds the field
    # the status replies mark it yellow; the first one after he left it turns it grey again.
    mark = desk.mark()
    main.type_into(DISTMIN_FIELD, "250000")
    desk.wait_received("DISTMIN 250000,G", "udp", since=mark)
    wait_colour(main, [DISTMIN_FIELD], EDITING, "DISTMIN to be held for the operator")
    main.click_rect(COMMAND_ENTRY)
    wait_colour(main, [DISTMIN_FIELD], GREY_FIELD, "a status reply to refresh DISTMIN")
    shown = read_field(main, DISTMIN_FIELD, "the DISTMIN text")
    if shown != "100000":
        raise Failure(f"DISTMIN shows {shown!r}, the tracker holds 100000")

    # Polling paused: only the keep-alive goes out; a typed line goes out as typed.
    main.click_rect(POLLING_BUTTON)
    desk.wait_quiet(lambda t: t != "IP8", 0.8, "polling to stop")
    mark = desk.mark()
    main.type_into(COMMAND_ENTRY, "SIM ALARM 5")
    desk.wait_received("SIM ALARM 5", "udp", since=mark)
    main.click_rect(POLLING_BUTTON)
    mark = desk.mark()
    desk.wait_received("STAT", "udp", since=mark)
    wait_until(lambda: main.field_text(MSG_FIELD, settle=0.5), "the alarm text in MSG")
    desk.save_screenshot("main-window.png", main)
    close_console(desk, main)


def flow_tcp_switch(desk):
    """TCP link; switching to UDP asks first: No keeps TCP, Yes moves to UDP. The dialog,
    closed with its close box and opened from the menu, shows the open link."""
    main = desk.start_console()
    dialog = arrange(desk, main)
    dialog.click_rect(TCP_BUTTON)
    desk.wait_received("DXYPV", "tcp")
    wait_colour(dialog, TCP_FIELDS, LINK_OPEN, "the TCP row to turn green")

    dialog.click_rect(UDP_BUTTON)
    desk.answer_box("Warning", "n")
    mark = desk.mark()
    desk.wait_received("DXYPV", "tcp", since=mark)
    if desk.received("udp"):
        raise Failure("UDP traffic after answering No")
    wait_colour(dialog, TCP_FIELDS, LINK_OPEN, "the TCP row to stay green")

    dialog.click_rect(UDP_BUTTON)
    desk.answer_box("Warning", "y")
    desk.wait_received("DXYPV", "udp")
    wait_colour(dialog, UDP_FIELDS, LINK_OPEN, "the UDP row to turn green")
    wait_colour(dialog, TCP_FIELDS, GREY_WINDOW, "the TCP row to turn grey")
    desk.wait_quiet(lambda t: True, 0.5, "TCP traffic to stop after switching to UDP", "tcp")

    dialog.close()
    dialog.wait_gone()
    main.menu("Menu", "Communications")
    dialog = desk.window("COM")
    desk.move(dialog, 10 + round(1024 * desk.scale) + 16, 10)
    wait_colour(dialog, UDP_FIELDS, LINK_OPEN, "the reopened dialog to show UDP open")
    close_console(desk, main)


def flow_serial(desk):
    """Serial link through the COM name in the resource folder (the simulator's pty), then a
    port that does not exist: the error box and a red row."""
    main = desk.start_console()
    dialog = arrange(desk, main)
    dialog.click_rect(COM_BUTTON)
    desk.wait_received("@PC>25 DXYPV", "pty")
    wait_colour(dialog, [COM_FIELD], LINK_OPEN, "the COM row to turn green")
    # The tracker's answers arrive: the origin field fills from its status. It is read once it
    # shows: a click into it before the first status reply would make the origin group the
    # operator's, which the replies then leave alone.
    wait_until(lambda: shows_text(main, ORIGIN_LAT), "the origin latitude to show")
    shown = read_field(main, ORIGIN_LAT, "the origin latitude")
    if shown != "41.5600000º":
        raise Failure(f"the origin latitude shows {shown!r}, the tracker holds 41.5600000º")

    dialog.click_rect(COM_BUTTON)
    wait_colour(dialog, [COM_FIELD], GREY_WINDOW, "the COM row to turn grey")
    desk.wait_quiet(lambda t: True, 0.5, "serial traffic to stop after Close Com", "pty")
    dialog.type_into(COM_FIELD, "99", commit=False)
    dialog.click_rect(COM_BUTTON)
    desk.answer_box("Error")
    wait_colour(dialog, [COM_FIELD], LINK_FAILED, "the COM row to turn red")
    close_console(desk, main)


def flow_hidpi(desk):
    """QT_SCALE_FACTOR=2 scales the fixed layouts as a whole: the same console at scale 1 and
    at scale 2 (no link open, so both show the same), the scaled pictures shrunk back and
    compared block by block, chosen controls checked at their doubled places."""
    views = {}
    for scale in (1, 2):
        desk.scale = scale
        main = desk.start_console()
        dialog = desk.window("COM")
        desk.move(main, 0, 0)
        desk.move(dialog, 1024 * scale + 20, 0)
        mx, my, mw, mh = main.geometry()
        dx, dy, dw, dh = dialog.geometry()
        views[scale] = {"main": main.steady_picture(at_scale_1=True),
                        "dialog": dialog.steady_picture(at_scale_1=True),
                        "menu bar": mh - 600 * scale, "main size": (mw, mh),
                        "dialog size": (dw, dh)}
        # Chosen controls at their (scaled) places: the DISTMIN field's grey inside, the
        # window's grey just left of it; the UDP port field's edge likewise.
        for window, (x, y, w, h) in ((main, DISTMIN_FIELD), (dialog, UDP_FIELDS[2])):
            inside = window.pixel(x + w - 4, y + h // 2)
            outside = window.pixel(x - 3, y + h // 2)
            want_inside = GREY_FIELD if window is main else GREY_WINDOW
            if not close_to(inside, want_inside) or not close_to(outside, GREY_WINDOW):
                raise Failure(f"at scale {scale} the control at {(x, y)} is not in its place "
                              f"(inside {inside}, outside {outside})")
        # A window drawn by the console itself: the Ethernet window's port table.
        ethernet = open_window(desk, main, "Ethernet Config", "Ethernet Setup")
        views[scale]["ethernet"] = ethernet.steady_picture(at_scale_1=True)
        views[scale]["ethernet size"] = ethernet.geometry()[2:]
        if scale == 2:
            desk.save_screenshot("hidpi-screen.png")
        ethernet.close()
        ethernet.wait_gone()
        close_console(desk, main)

    one, two = views[1], views[2]
    if two["main size"][0] != 2048 or two["main size"][1] - two["menu bar"] != 1200:
        raise Failure(f"scaled main window {two['main size']} with a {two['menu bar']} px menu "
                      "bar: its client is not 2048 x 1200")
    if abs(two["menu bar"] - 2 * one["menu bar"]) > 2:
        raise Failure(f"menu bar {one['menu bar']} px at scale 1, {two['menu bar']} at scale 2")
    if two["dialog size"] != (980, 600):
        raise Failure(f"scaled connection dialog {two['dialog size']}, not 980 x 600")
    if two["ethernet size"] != (1230, 700):
        raise Failure(f"scaled Ethernet window {two['ethernet size']}, not 1230 x 700")
    for name in ("main", "dialog", "ethernet"):
        mean, x, y = worst_block(one[name], two[name])
        print(f"hidpi: {name} window, largest block difference {mean:.1f} at {(x, y)}")
        # Text drawn at twice the size differs a little; a control clipped, moved or missing
        # changes a whole block.
        if mean > 32:
            raise Failure(f"{name} window at scale 2 differs from scale 1 around {(x, y)} "
                          f"(mean {mean:.1f})")


# The detail windows: the menu item, the title, a field the tracker's answers fill and what it
# then shows, and the query the console sends only while the window is open.
DETAILS = [
    ("Motors", "MOTORS", (90, 70, 150, 20), r"-?\d+", "MOTSETUP"),
    ("Mavlink", "MAVLINK", (110, 70, 150, 20), r"\d+%", "MAV STAT"),
    ("Vehicle", "Vehicle ", (100, 100, 150, 20), r"-?\d+\.\d{7}º", "UAVGPS"),
    ("GPS", "Local GPS ", (100, 100, 150, 20), r"41\.5600000º", "GPS"),
    ("Audio", "AUDIO", (90, 120, 150, 20), r"70", None),
    ("Device", "DEVICE", (100, 70, 150, 20), r"MERLAN", None),
    ("Ethernet Config", "Ethernet Setup", (50, 80, 100, 20), r"192\.168\.1\.224", "NET CNT"),
]


def open_window(desk, main, item, title):
    main.menu("About" if item == "About" else "Menu", item)
    return desk.window(title)


def flow_details(desk):
    """Every detail window opened from the menu over a UDP link, filled from the tracker,
    one action each where the window has one, closed with its close box."""
    main = desk.start_console()
    dialog = arrange(desk, main)
    dialog.click_rect(UDP_BUTTON)
    desk.wait_received("DXYPV", "udp")
    for item, title, field, shown, query in DETAILS:
        mark = desk.mark()
        window = open_window(desk, main, item, title)
        if query:
            desk.wait_received(query, "udp", since=mark)
        text = wait_until(lambda: (lambda t: t if re.fullmatch(shown, t) else None)(
            window.field_text(field, settle=0.5)), f"{title.strip()} to show {shown!r}")
        print(f"details: {title.strip()} shows {text!r}")
        mark = desk.mark()
        if item == "Mavlink":
            window.click_rect((20, 430, 240, 30))  # "Init"
            desk.wait_received("MAV STATINIT", "udp", since=mark)
        elif item == "Audio":
            window.type_into((90, 120, 150, 20), "40")
            desk.wait_received("AUDIO VOL 40", "udp", since=mark)
            window.click_rect((40, 80, 60, 20))  # "BEEP"
            desk.wait_received("AUDIO BEEP", "udp", since=mark)
        elif item == "Motors":
            window.click_rect((410, 310, 90, 20))  # "CONF DEFAULT"
            desk.answer_box("WARNING", "y")
            desk.wait_received("MOTSETUP 8 8 8 8 20 10 165 165", "udp", since=mark)
        elif item == "Device":
            name = main.picture((590, 10, 160, 30))
            window.type_into((100, 130, 150, 20), "DESK")
            desk.wait_received("NAME DESK", "udp", since=mark)
            wait_until(lambda: differs(main.picture((590, 10, 160, 30)), name) > 20,
                       "the tracker's new name in the main window")
        window.close()
        window.wait_gone()

    window = open_window(desk, main, "About", "About")

    def colours():
        picture = window.picture((0, 0, 384, 158))
        return len({picture.data[i:i + 3] for i in range(0, len(picture.data), 3)})
    wait_until(lambda: colours() >= 16, "the About picture (16 colours or more)")
    window.close()
    window.wait_gone()

    # Closed windows are no longer asked for (quiet for more than a round of the rotation).
    queries = {q for *_, q in DETAILS if q}
    desk.wait_quiet(lambda t: t in queries, 1.3, "the closed windows' queries to stop")
    close_console(desk, main)


# The Ethernet window's port table: PORTDEST of port 8002 (column 5, row 2).
GRID = (20, 130)
PORTDEST_8002 = (GRID[0] + 270, GRID[1] + 19 + 2 * 20, 60, 20)
SAVE_BUTTON = (550, 320, 50, 20)
MARKED = (240, 0, 0)


def flow_ethernet(desk):
    """A port edited in the table, saved after the question, uploaded to the tracker."""
    main = desk.start_console()
    dialog = arrange(desk, main)
    dialog.click_rect(UDP_BUTTON)
    desk.wait_received("DXYPV", "udp")
    mark = desk.mark()
    window = open_window(desk, main, "Ethernet Config", "Ethernet Setup")
    desk.wait_received("NET PORT 8007", "udp", since=mark)  # the table is read
    # The row is edited and saved once the tracker's answer for it shows (its text is green).
    wait_until(lambda: count_pixels(window.picture(PORTDEST_8002),
                                    lambda c: c[1] - max(c[0], c[2]) > 40) > 5,
               "the port table's row of 8002 to fill")

    def marked():  # the marked text is drawn on the mark colour
        return count_pixels(window.picture(PORTDEST_8002), lambda c: close_to(c, MARKED, 30))

    if marked():
        raise Failure("a cell is marked before any edit")
    window.click_into(PORTDEST_8002)
    desk.key("ctrl+a")
    desk.type("9100")
    desk.key("Return")
    wait_until(lambda: marked() > 10, "the edited cell to be marked")
    mark = desk.mark()
    window.click_rect(SAVE_BUTTON)
    desk.answer_box("Warning", "y")
    desk.wait_received(re.compile(r"NET PORT 8002 [01] [012] \S+ 9100 [01] [01] \d+ \d+"), "udp",
                       since=mark)
    wait_until(lambda: marked() == 0, "the marks to clear")
    uploads = [t for _, t in desk.received(since=mark) if re.match(r"NET PORT \d+ ", t)]
    if len(uploads) != 1:
        raise Failure(f"one port edited, uploads: {uploads}")
    window.close()
    window.wait_gone()
    close_console(desk, main)



# Tracking window controls (client pixels; the window has no menu bar).
RECORD_BUTTON = (113, 6, 79, 21)
ERROR_STRIP = (420, 60, 460, 95)  # the pointing-error chart's plot area


def csv_rows(path):
    with open(path, newline="") as f:
        lines = f.read().split("\n")
    header = lines[0].split(",")
    return header, [dict(zip(header, l.split(","))) for l in lines[1:] if l]


def median(values):
    v = sorted(values)
    return v[len(v) // 2] if v else None


def reddish(picture):
    """How many pixels of a picture are the pointing-error curve's red."""
    d = picture.data
    return sum(1 for i in range(0, len(d), 3) if d[i] > 170 and d[i + 1] < 90 and d[i + 2] < 90)


def flow_tracking(desk):
    """The simulated antenna aims 5 degrees off in azimuth: Menu -> Tracking shows the window,
    "Record" records, the record holds the offset, and --review shows the same flight."""
    main = desk.start_console(args=("--connect", "udp"))
    desk.move(main, 0, 0)
    desk.wait_received("STAT", "udp")
    main.menu("Menu", "Tracking")
    tracking = desk.window("Tracking")
    desk.move(tracking, 620, 380)
    wait_until(lambda: reddish(tracking.picture(ERROR_STRIP)) > 20, "the pointing error to be drawn")

    records = os.path.join(desk.resources, "records")
    away = tracking.screen_point(450, 300)  # the pointer rests on a plot, not on the button
    desk.xdo("mousemove", str(away[0]), str(away[1]))
    idle = tracking.steady_picture(RECORD_BUTTON)
    tracking.click_rect(RECORD_BUTTON)
    wait_until(lambda: os.path.isdir(records) and os.listdir(records), "a record to be started")
    path = os.path.join(records, os.listdir(records)[0])
    # The record grows at least once a second; a few seconds of flight are enough.
    wait_until(lambda: len(csv_rows(path)[1]) >= 30, "thirty rows in the record", timeout=20)
    tracking.click_rect(RECORD_BUTTON)
    # The button stands out while a record runs: once it looks as before, the record has
    # stopped and its last rows are in the file.
    desk.xdo("mousemove", str(away[0]), str(away[1]))
    wait_until(lambda: differs(tracking.picture(RECORD_BUTTON), idle) == 0, "Record to be released")
    rows_at_stop = len(csv_rows(path)[1])
    time.sleep(1.5)  # longer than the record's write interval: a running record would grow
    header, rows = csv_rows(path)
    if len(rows) != rows_at_stop:
        raise Failure(f"the record grew after it stopped: {rows_at_stop} -> {len(rows)}")
    expected = ("time_utc,link,antenna_az_deg,antenna_el_deg,vehicle_lat_deg,vehicle_lon_deg,"
                "vehicle_alt_m,origin_lat_deg,origin_lon_deg,origin_alt_m,los_az_deg,los_el_deg,"
                "slant_range_m,ground_range_m,pointing_error_deg,tracker_flags,supply_v,"
                "temperature_c").split(",")
    if header != expected:
        raise Failure(f"record header {header}")
    offsets = [float(r["antenna_az_deg"]) - float(r["los_az_deg"]) for r in rows if r["los_az_deg"]]
    errors = [float(r["pointing_error_deg"]) for r in rows if r["pointing_error_deg"]]
    if not offsets or abs(median(offsets) - 5) > 0.5:
        raise Failure(f"antenna minus line of sight azimuth, median {median(offsets)}, not 5")
    if not 4.5 < median(errors) <= 5.5:  # the flight starts low: cos(elevation) near 1
        raise Failure(f"pointing error median {median(errors)}, not near 5")
    if any(r["link"] != "udp" for r in rows):
        raise Failure("a row not from the UDP link")

    tracking.close()
    tracking.wait_gone()
    close_console(desk, main)

    # The same flight, reviewed without a link: the Tracking window alone, closed with its box.
    review = desk.start_review(path)
    wait_until(lambda: reddish(review.picture(ERROR_STRIP)) > 20, "the reviewed error to be drawn")
    review.close()
    code = desk.app_exit_code()
    if code != 0:
        raise Failure(f"the review exited with code {code} after its close box")

FLOWS = {
    "udp": flow_udp,
    "tcp_switch": flow_tcp_switch,
    "serial": flow_serial,
    "hidpi": flow_hidpi,
    "details": flow_details,
    "ethernet": flow_ethernet,
    "tracking": flow_tracking,
}
# Flows that need a desk other than the usual one.
DESKS = {"hidpi": {"screen": (3100, 1300), "udp_local": None, "tcp_local": None},
         "tracking": {"sim_args": ("--pointing-offset", "5")}}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--app")
    parser.add_argument("--sim")
    parser.add_argument("--work")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("flows", nargs="*")
    a = parser.parse_args()
    if a.list:
        print("\n".join(FLOWS))
        return 0
    unknown = [f for f in a.flows if f not in FLOWS]
    if unknown or not (a.app and a.sim and a.work):
        parser.error(f"unknown flows {unknown}" if unknown else "--app, --sim and --work are needed")
    missing = missing_tools()
    if missing:
        print(f"skipped: {', '.join(missing)} not installed (scripts/test installs them)")
        return 77
    failed = 0
    for name in a.flows or FLOWS:
        started = time.monotonic()
        work = os.path.join(a.work, name)
        try:
            options = dict(DESKS.get(name, {}))
            for key in ("udp_local", "tcp_local"):  # the same in every start of the flow
                if key in options:
                    options[key] = free_port(key[:3])
            with Desk(a.app, a.sim, work, **options) as desk:
                FLOWS[name](desk)
            print(f"{name}: passed in {time.monotonic() - started:.1f} s")
        except Failure as e:
            failed += 1
            print(f"{name}: FAILED after {time.monotonic() - started:.1f} s: {e}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
