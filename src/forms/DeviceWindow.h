#pragma once
// Window 8, "DEVICE": the tracker's identity, supplies, temperature and memory indicator. The
// name field is editable; Return in it renames the tracker.

#include "FormWindow.h"

class Controls;

namespace devicewindow {
inline constexpr int kWindow = 8;
inline constexpr int kProduct = 222, kSerial = 223, kName = 224, kIp8 = 225, kBattery = 226;
inline constexpr int kSupply = 227, kCpuVolt = 228, kTemperature = 229, kFirmware = 230;
inline constexpr int kMac = 232, kFram = 234;

/// Builds window 8 centred on `parent`; the fields start empty.
FormWindow* open(Controls& controls, const EventSink& sink, QWidget* parent);
}  // namespace devicewindow
