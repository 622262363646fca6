#pragma once
// Window 6, "Ethernet Setup": the tracker's own addresses, this computer's address and the
// tracker's eight Ethernet ports in cell grid 1. The address fields send on Return (with a
// warning first); the port table is edited in place, then saved and uploaded port by port by
// the poller.

#include <array>

#include "CellGrid.h"
#include "FormWindow.h"
#include "GridModel.h"
#include "PortEntry.h"
#include "PortUploadList.h"

class Controls;
class MessageBoxes;
class Poller;
struct TrackerState;

namespace ethernetwindow {
inline constexpr int kWindow = 6;
inline constexpr int kGrid = 1;  ///< the port table, controls 410 to 415
inline constexpr int kIp = 193, kSubmask = 195, kGateway = 197, kSave = 200, kLocalIp = 202;
inline constexpr int kFirstPort = 8000;
/// Port table columns.
enum Column { Number = 0, Port, State, Type, IpDest, PortDest, Prop, Echo, CntRx, CntTx };

/// Builds window 6 centred on `parent`, without the port table (EthernetSetup adds it).
FormWindow* open(Controls& controls, const EventSink& sink, QWidget* parent);
}  // namespace ethernetwindow

/// What window 6 does, and what outlives it: the port table's cells and the ports whose
/// committed cells wait for the next save. This list is the window's own: the poller's list
/// is the upload that runs, and commits made meanwhile wait here for the next save.
class EthernetSetup {
public:
    using UploadList = PortUploadList;

    struct Context {
        Controls& controls;
        Poller& poller;
        PortEntries& ports;
        const TrackerState& tracker;
        MessageBoxes& boxes;
    };
    explicit EthernetSetup(Context ctx) : m(ctx) {}

    /// The rest of opening, in the open window: the port table with its rows numbered, the
    /// local address, the tracker's addresses (or their query) and the port table's read.
    void start(const EventSink& sink, const QString& localAddress);
    /// Window 6's events: "SAVE", then whatever concerns the port table.
    void handleEvent(const UiEvent& e);
    /// "Are you sure ...?", then the table into the port records and the upload to the poller.
    void save();

    /// The reply handlers' way into the table; with the window closed only the cells change.
    void setPortCell(int row, int column, const QString& text);

    /// The port table while the window is open, through the control registry.
    CellGrid* grid() const;
    const GridModel& cells() const { return m_cells; }
    const UploadList& uploadList() const { return m_uploadList; }

private:
    void cellCommitted(int row);

    Context m;
    GridModel m_cells;
    UploadList m_uploadList{};
};
