#pragma once
// Colours as the tracker console names them, free of any GUI type so that the protocol
// code and the simulator can share them.

#include <cstdint>

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend constexpr bool operator==(Rgb, Rgb) = default;
};

namespace colour {
inline constexpr Rgb kWindow{128, 128, 128};   ///< window and label background
inline constexpr Rgb kField{192, 192, 192};    ///< value fields
inline constexpr Rgb kEditing{221, 219, 8};    ///< a field group held by the operator
inline constexpr Rgb kGood{0, 255, 0};
inline constexpr Rgb kBad{255, 0, 0};
inline constexpr Rgb kActive{105, 250, 31};    ///< fan, heater, GPS status lights
inline constexpr Rgb kLinkOpen{0, 180, 0};
inline constexpr Rgb kLinkFailed{180, 0, 0};
inline constexpr Rgb kLinkIdle{128, 128, 128};
inline constexpr Rgb kConsoleBack{44, 44, 44};
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
}  // namespace colour
