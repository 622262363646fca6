#pragma once
// The events every window reports to the one dispatcher, by number.

#include <functional>

struct UiEvent {
    enum class Kind {
        Menu,     ///< a menu item, or Return (13) / Return in the cell grid (10)
        Control,  ///< an operator action on a control: click, selection, typing, focus
        Timer,    ///< a numbered timer of the main window
        Close,    ///< a window's close request
        Data,     ///< the network link reports activity
    };
    Kind kind;
    int window = 0;
    int number = 0;  ///< menu item, control, timer
};

using EventSink = std::function<void(const UiEvent&)>;

inline constexpr int kMenuReturn = 13;
inline constexpr int kMenuGridReturn = 10;
