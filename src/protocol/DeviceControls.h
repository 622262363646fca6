#pragma once
// Window 8, "DEVICE": its number and the numbers of the controls the replies fill, shared by the
// form that builds the window and the reply handlers.

namespace devicewindow {
inline constexpr int kWindow = 8;
inline constexpr int kProduct = 222, kSerial = 223, kName = 224, kIp8 = 225, kBattery = 226;
inline constexpr int kSupply = 227, kCpuVolt = 228, kTemperature = 229, kFirmware = 230;
inline constexpr int kMac = 232, kFram = 234;
}  // namespace devicewindow
