// What tessarn-cli returns to its caller.
#pragma once

namespace tessarn::cli {

inline constexpr int kExitOk = 0;      // everything asked for succeeded
inline constexpr int kExitFailed = 1;  // some rows or files failed
inline constexpr int kExitUsage = 2;   // a usage error or a missing path

}  // namespace tessarn::cli
