#pragma once
// The reply parser: one received reply, already split into words, updates the tracker state
// and the numbered controls that show it.

#include <functional>

#include "Framing.h"
#include "PortEntry.h"
#include "TrackerState.h"

class ControlAccess;
class Poller;

/// Everything the handlers touch besides the reply itself.
struct ReplyContext {
    TrackerState& tracker;
    ControlAccess& controls;
    Poller& poller;
    PortEntries& ports;
    const int& lastFocusedGadget;          ///< the refresh rule leaves the group holding it alone
    std::function<void()> drawGauges;      ///< redraws the gauge picture from `tracker`
    /// Stores a port table cell and, while the table is shown, paints it when it changed.
    std::function<void(int row, int column, const QString& text)> setPortCell;
};

class ReplyHandler {
public:
    explicit ReplyHandler(ReplyContext ctx) : m(std::move(ctx)) {}

    /// `HandleReplyLine`: dispatch on the keyword in F1 and run the first matching handler.
    void handle(const ReplyFields& f);

private:
    void pointing(const ReplyFields& f);
    void status(const ReplyFields& f);
    void identity(const ReplyFields& f);
    void localGps(const ReplyFields& f);
    void mavlinkStatistics(const ReplyFields& f);
    void vehiclePosition(const ReplyFields& f);
    void motorSetup(const ReplyFields& f);
    void vehicleData(const ReplyFields& f);
    void networkAddress(const ReplyFields& f);
    void portEntry(const ReplyFields& f);
    void portCounters(const ReplyFields& f);
    void audio(const ReplyFields& f);
    void device(const ReplyFields& f);

    /// The refresh rule for one group of editable fields.
    struct GroupItem {
        int control;
        const QString& text;
    };
    void refreshGroup(std::initializer_list<GroupItem> group);

    ReplyContext m;
};
