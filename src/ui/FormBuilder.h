#pragma once
// Windows are tables of control rows; one builder turns rows into widgets, registers them by
// number and connects the operator's actions to the dispatcher.

#include <optional>
#include <span>

#include "Controls.h"
#include "Rgb.h"
#include "UiEvent.h"

enum class RowKind {
    Text,          ///< label on the window colour
    TextBordered,  ///< sunken box, usually a coloured indicator
    TextCentred,
    Field,
    FieldReadOnly,
    Button,
    Check,         ///< check box without caption
    Combo,         ///< drop-down list, not editable
    List,
    Image,
    Frame,
};

struct ControlRow {
    int number;
    RowKind kind;
    int x, y, w, h;
    const char* caption = "";  ///< UTF-8
    std::optional<Rgb> background = std::nullopt;  ///< none: the style's own colours
    std::optional<Rgb> text = std::nullopt;
    const char* tooltip = "";
    int font = -1;  ///< a numbered font, -1 for the controls' default
    bool hidden = false;  ///< created hidden: stays out of sight but can still be written
};

inline constexpr std::optional<Rgb> kLabel = colour::kWindow;
inline constexpr std::optional<Rgb> kFieldColour = colour::kField;

ControlKind controlKind(RowKind kind);

/// Creates the rows' widgets as children of `parent`, in table order, registers them under
/// `window` and connects clicks, selections and typing to `sink` as control events.
void buildControls(QWidget* parent, int window, std::span<const ControlRow> rows, Controls& controls,
                   const EventSink& sink);
