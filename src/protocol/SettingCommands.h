#pragma once
// The commands that carry the operator's changes, built from the controls as the operator
// left them. No value is checked: the tracker decides, and its next reply shows the result.

#include <QString>
#include <QStringView>

class ControlAccess;

struct SettingCommand {
    QString command;  ///< sent to the tracker; empty for an unknown setting name
    QString shown;    ///< written into the command line (control 0)
    QString warning;  ///< when not empty, a Yes/No "Warning" with this text must be answered Yes
};

/// The command for a setting name ("DX", "OFFSET", "HOME", ..., "NAME"), reading the controls
/// the setting names and `homeMode` for "HOME".
SettingCommand buildSettingCommand(QStringView name, const ControlAccess& controls, int homeMode);

/// The target of a one-degree step from the last reported position: rounded to the nearest
/// whole degree (halves to even), then limited on the side of the step only.
int stepAxisTarget(float position, int step, int minimum, int maximum);
