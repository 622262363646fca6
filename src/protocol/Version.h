#pragma once
// The version as the console's first line and both programs' `--version` show it.

inline constexpr char kVersionBanner[] = "V1.70 8-11-24";
