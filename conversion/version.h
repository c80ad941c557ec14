#pragma once

namespace malvor {
inline constexpr const char* version = "1.00";
}
