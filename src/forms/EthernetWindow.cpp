#include "EthernetWindow.h"

#include "Controls.h"
#include "FormBuilder.h"
#include "MessageBoxes.h"
#include "Numbers.h"
#include "Poller.h"
#include "TrackerState.h"

namespace ethernetwindow {
namespace {

using K = RowKind;

// Number, kind, x, y, w, h, caption, background, text colour, tooltip, font.
constexpr ControlRow kRows[] = {
    {191, K::Text, 190, 10, 240, 30, "ETHERNET Setup", kLabel, {}, "", 6},
    {198, K::Frame, 20, 60, 580, 50, "", kLabel},
    {192, K::Text, 30, 80, 10, 20, "IP", kLabel},
    {193, K::Field, 50, 80, 100, 20, "192.168.1.225", kLabel},
    {194, K::Text, 200, 80, 60, 20, "SUBMASK", kLabel},
    {195, K::Field, 270, 80, 100, 20, "255.255.255.0", kLabel},
    {196, K::Text, 420, 80, 60, 20, "GATEWAY", kLabel},
    {197, K::Field, 490, 80, 100, 20, "192.168.1.1", kLabel},
    {201, K::Text, 20, 320, 60, 20, "Local IP", kLabel},
    {202, K::FieldReadOnly, 90, 320, 100, 20, "0.0.0.0", kLabel},
    {200, K::Button, 550, 320, 50, 20, "SAVE"},
};

// The port table, grid 1.
constexpr Rgb kText{120, 255, 150}, kBack{48, 48, 48}, kLines{128, 128, 128};
constexpr Rgb kEditText{255, 254, 0};
constexpr Rgb kMarkText{255, 255, 255}, kMarkBack{240, 0, 0};
constexpr int kLastColumn = 9, kLastRow = kPortCount - 1;
constexpr int kHeaderHeight = 19, kRowHeight = 20;

struct PortColumn {
    const char* title;
    int width;
    GridColumnType type;
    int min, max;
    bool locked;
    std::array<const char*, 3> items;
};
using T = GridColumnType;
constexpr PortColumn kColumns[] = {
    {"N", 25, T::Integer, 0, 0, true, {}},
    {"Port", 40, T::Integer, 0, 9000, true, {}},
    {"State", 40, T::List, 0, 0, false, {"OFF", "ON"}},
    {"Type", 75, T::List, 0, 0, false, {"UDP", "TCP_Server", "TCP_Client"}},
    {"IPDEST", 90, T::Text, 0, 0, false, {}},
    {"PORTDEST", 60, T::Text, 0, 0, false, {}},
    {"Prop", 80, T::List, 0, 0, false, {"CMD", "MAV"}},
    {"ECHO", 50, T::List, 0, 0, false, {"OFF", "ON"}},
    {"CNT_RX", 60, T::Text, 0, 0, true, {}},
    {"CNT_TX", 60, T::Text, 0, 0, true, {}},
};

}  // namespace

FormWindow* open(Controls& controls, const EventSink& sink, QWidget* parent) {
    auto* w =
        new FormWindow(kWindow, QStringLiteral("Ethernet Setup"), QSize(615, 350), sink, parent);
    controls.addWindow(kWindow, w);
    buildControls(w->client(), kWindow, kRows, controls, sink);
    return w;
}

}  // namespace ethernetwindow

using namespace ethernetwindow;

void EthernetSetup::start(const EventSink& sink, const QString& localAddress) {
    QWidget* window = m.controls.window(kWindow);
    if (!window) return;
    CellGrid::Options o;
    o.window = kWindow;
    o.index = kGrid;
    o.x = 20, o.y = 130, o.width = 580, o.height = 183;
    o.lastColumn = kLastColumn, o.lastRow = kLastRow;
    o.textColour = kText, o.backColour = kBack, o.lineColour = kLines;
    o.editTextColour = kEditText, o.editBackColour = kBack;
    o.font = 100;
    o.scrollBarThickness = 15;
    CellGrid::Hooks hooks;
    hooks.cellCommitted = [this](int, int, int row, const QString&) { cellCommitted(row); };
    hooks.rowDeleteRequest = [](int, int) { return false; };  // Delete removes no port
    auto* parent = static_cast<FormWindow*>(window)->client();
    auto* grid = new CellGrid(parent, m_cells, o, std::move(hooks), sink, &m.controls);
    for (int c = 0; c <= kLastColumn; ++c) {
        const PortColumn& pc = kColumns[c];
        grid->setColumn(c, QString::fromLatin1(pc.title), pc.width, pc.type, false, pc.min, pc.max,
                        pc.locked);
        for (int i = 0; i < int(pc.items.size()) && pc.items[std::size_t(i)]; ++i)
            grid->addListItem(c, i, QString::fromLatin1(pc.items[std::size_t(i)]));
    }
    grid->setHeaderHeight(kHeaderHeight, false);
    grid->setMarkColours(kMarkText, kMarkBack);
    grid->setRowHeight(kRowHeight, false);
    for (int r = 0; r <= kLastRow; ++r) grid->setCell(r, Number, num::writeInt(r + 1));
    for (int r = 0; r <= kLastRow; ++r) grid->setCell(r, Port, num::writeInt(kFirstPort + r));
    grid->redraw();
    grid->show();

    m.controls.setText(kLocalIp, localAddress);
    const TrackerState& t = m.tracker;
    if (t.deviceIp.isEmpty() || t.deviceSubmask.isEmpty() || t.deviceGateway.isEmpty()) {
        m.poller.requestAddresses();
    } else {
        m.controls.setText(kIp, t.deviceIp);
        m.controls.setText(kSubmask, t.deviceSubmask);
        m.controls.setText(kGateway, t.deviceGateway);
    }
    m.poller.requestPortTable();
}

CellGrid* EthernetSetup::grid() const {
    const int surface = CellGrid::control(kGrid, CellGrid::Surface);
    if (m.controls.kind(surface) != ControlKind::Grid) return nullptr;
    return static_cast<CellGrid*>(m.controls.widget(surface));
}

void EthernetSetup::handleEvent(const UiEvent& e) {
    if (e.kind == UiEvent::Kind::Control && e.number == kSave) save();
    if (CellGrid* g = grid()) g->handleEvent(e);
}

void EthernetSetup::setPortCell(int row, int column, const QString& text) {
    // A cell the operator committed keeps the operator's value until the save: a reply (the
    // answer to an upload, for one) must not undo an edit that has not been sent yet.
    if (m_cells.marked(row, column)) return;
    // Most replies repeat what the table shows: an unchanged cell is neither stored nor drawn
    // again, and a changed one is painted alone (the same pixels as a full redraw).
    const GridColumn& c = m_cells.column(column);
    if (m_cells.validColumn(column) &&
        normaliseCell(c.type, c.min, c.max, text) == m_cells.cell(row, column))
        return;
    if (CellGrid* g = grid())
        g->setCell(row, column, text, true);
    else
        m_cells.setCell(row, column, text);  // kept for the next opening
}

void EthernetSetup::cellCommitted(int row) {
    // The band below the last port is no port: a commit there lists nothing (a 0 would end
    // the list and hold back the ports after it).
    if (row < 0 || row > kLastRow) return;
    listForUpload(m_uploadList, int(num::readInt(m_cells.cell(row, Port))));
}

void EthernetSetup::save() {
    if (!m.boxes.askYesNo(QStringLiteral("Warning"),
                          QStringLiteral("Are you sure you want to save the eth ports?")))
        return;
    auto number = [this](int row, int column) { return num::readInt(m_cells.cell(row, column)); };
    for (int r = 0; r <= kLastRow; ++r) {
        PortEntry& e = m.ports[std::size_t(r)];
        e.state = int(number(r, State));
        e.type = int(number(r, Type));
        e.ipDest = m_cells.cell(r, IpDest);
        e.portDest = number(r, PortDest);
        e.prop = int(number(r, Prop));
        e.echo = int(number(r, Echo));
        e.cntRx = number(r, CntRx);
        e.cntTx = number(r, CntTx);
    }

    // An upload still running keeps the ports it has not sent yet; the new ones follow, listed
    // by the commits' rule, so that no port of either is left out.
    Poller& p = m.poller;
    UploadList list{};
    if (p.portUploadPending) {
        for (int i = std::max(p.portUploadIndex, 0);
             i < kPortUploadListSize && p.portUploadList[std::size_t(i)] != 0; ++i)
            listForUpload(list, p.portUploadList[std::size_t(i)]);
    }
    for (int i = 0; i < uploadListLength(m_uploadList); ++i)
        listForUpload(list, m_uploadList[std::size_t(i)]);
    p.requestPortUpload(list);
    p.portUploadIndex = 0;

    m_uploadList.fill(0);
    if (CellGrid* g = grid())
        g->clearMarks(true);
    else
        m_cells.clearMarks();
}
