#pragma once

// The device's text protocol port, the tool's default wherever a port is left out.
inline constexpr int kDefaultDevicePort = 1024;
