// The shared settings keys: two control keys set by the containing
// application, eight status keys written only by the extension.
#pragma once

#include <array>
#include <string_view>

namespace calldir::handler {

inline constexpr std::string_view kClearAllKey = "CDListClearAllYN";
inline constexpr std::string_view kRestoreStatusKey = "CDListRestoreStatus";

// The values that move the control keys along: "Y" asks for a restore from
// zero and "N" is written after one; "START" marks a restore asked for (or
// one that found no data), "END" one that loaded, which lets updates run.
inline constexpr std::string_view kClearAllYes = "Y";
inline constexpr std::string_view kClearAllNo = "N";
inline constexpr std::string_view kRestoreStarted = "START";
inline constexpr std::string_view kRestoreEnded = "END";

inline constexpr std::string_view kIsIncrementalKey = "CallDirectoryisIncremental";
inline constexpr std::string_view kErrorKey = "CallDirectoryErrorError";
inline constexpr std::string_view kRestoreLogKey = "CallDirectoryRestoreStatus";
inline constexpr std::string_view kZeroSyncDateKey = "CallDirectoryZeroSyncDate";
inline constexpr std::string_view kZeroLogKey = "CallDirectoryZeroLog";
inline constexpr std::string_view kZeroStatusKey = "CallDirectoryZeroStatus";
inline constexpr std::string_view kDelLogKey = "CallDirectoryDelLog";
inline constexpr std::string_view kAddLogKey = "CallDirectoryAddLog";

inline constexpr std::array<std::string_view, 8> kStatusKeys = {
    kIsIncrementalKey, kErrorKey,      kRestoreLogKey, kZeroSyncDateKey,
    kZeroLogKey,       kZeroStatusKey, kDelLogKey,     kAddLogKey,
};

// List files.
inline constexpr std::string_view kZeroResourceName = "callersAdd_Zero";
inline constexpr std::string_view kInstalledMarkerName = "callersAdd_Zero.json";
inline constexpr std::string_view kDeleteListName = "callersDel.json";
inline constexpr std::string_view kAddListName = "callersAdd.json";

}  // namespace calldir::handler
