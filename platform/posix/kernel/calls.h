// How an emulated call is written: one way in, one way out, one way to fail.
//
// Every emulated call that a test can make fail, or that changes the
// machine, goes through Run, one row of the table below in hand:
//
//     BOOL WINAPI DeleteFileA(LPCSTR path) {
//         machine::Resolved file;
//         return calls::Run(
//             calls::kDeleteFileA, [&] { return DeleteFile(path, &file); },
//             [&](BOOL deleted) { return calls::Lines{"delete " + trace::Text(file.canonical)}; });
//     }
//
// - The way in: the call's fault is asked first (faults.h: the call counts
//   in its family, or its switch is on). An injected fault fails the call as
//   its row says, before it changes anything.
// - The body: a plain function of Windows semantics. It fails with
//   `return Fail(ERROR_...)`, and returns what the trace needs to name
//   through its out parameters (the resolved path, the key).
// - The way out: while the change trace is on (trace.h), the formatter
//   names what the call changed, each line in the row's area; a call that
//   failed or changed nothing gives no lines.
//
// Arguments the call refuses outright (a handle that names nothing, a null
// buffer) are refused before the way in: such a call never counts.
#pragma once

#include "platform/crt.h"
#include "platform/posix/kernel/api_base.h"
#include "platform/posix/kernel/faults.h"
#include "platform/posix/kernel/trace.h"

#include <stdint.h>

#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace calls {

// The one way to fail: `error` for GetLastError, and the call's failure
// value, FALSE or 0 unless given.
inline BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}
template <typename T> T Fail(DWORD error, T failed) {
    SetLastError(error);
    return failed;
}

// How an injected fault fails its call.
struct Failure {
    enum Kind : uint8_t {
        None,      // the call has no fault
        LastError, // the failure value (FALSE, 0, NULL) and `error` for GetLastError
        Returned,  // `error` is the result (the registry's and the shell's calls)
        Errno,     // -1 and `error` as the runtime's errno
        Shortened, // no failure: the body is told and does less (a write stores half)
    } kind = None;
    int32_t error = 0;
};
constexpr Failure LastError(DWORD error) {
    return {Failure::LastError, static_cast<int32_t>(error)};
}
constexpr Failure Returned(int32_t error) {
    return {Failure::Returned, error};
}
constexpr Failure Errno(int error) {
    return {Failure::Errno, error};
}
constexpr Failure kShortened{Failure::Shortened, 0};

// One row: what can make the call fail and how, and the trace's area of its
// lines (nullptr: the call reports nothing itself). `quietInside`: the calls
// it makes report nothing, it reports the change in its own words (a move
// across drives is a copy and a delete).
struct Call {
    faults::Fault fault;
    Failure failure;
    const char* area;
    bool quietInside = false;
};

using faults::Counted;
using faults::Family;
using faults::Switch;
using faults::Switched;

// ---- The table ----
// clang-format off
//                                     fault                                failure                                       trace
// KERNEL32: files and directories
inline constexpr Call kCreateDirectoryA{Counted(Family::CreateDirectory),   LastError(ERROR_ACCESS_DENIED),               "directory"};
inline constexpr Call kRemoveDirectoryA{Counted(Family::RemoveDirectory),   LastError(ERROR_ACCESS_DENIED),               "directory"};
inline constexpr Call kDeleteFileA     {Counted(Family::Delete),            LastError(ERROR_ACCESS_DENIED),               "file"};
inline constexpr Call kCopyFileA       {Counted(Family::Copy),              LastError(ERROR_DISK_FULL),                   "file"};
inline constexpr Call kMoveFileA       {faults::kNone,                      {},                                           "file", true};
inline constexpr Call kSetFileAttributesA{faults::kNone,                    {},                                           "file"};
inline constexpr Call kGetTempFileNameA{faults::kNone,                      {},                                           "file"};
inline constexpr Call kGetWindowsDirectoryA{Switched(Switch::WindowsDirectory), LastError(ERROR_PATH_NOT_FOUND),          nullptr};
// KERNEL32: profile files
inline constexpr Call kWritePrivateProfileStringA{Counted(Family::ProfileWrite), LastError(ERROR_ACCESS_DENIED),          "profile"};
// The C runtime's file interface (crt.h); an open for reading neither fails
// nor reports
inline constexpr Call kCrtOpenForWriting{Counted(Family::FileCreate),       Errno(CRT_EACCES),                            "file"};
inline constexpr Call kCrtRead         {Counted(Family::ReadFailure),       Errno(CRT_EBADF),                             nullptr};
inline constexpr Call kCrtWrite        {Counted(Family::ShortWrite),        kShortened,                                   nullptr};
inline constexpr Call kCrtClose        {faults::kNone,                      {},                                           "file"};
// ADVAPI32: the registry (RegCreateKeyA and RegCreateKeyExA are one row)
inline constexpr Call kRegCreateKey    {Counted(Family::RegistryCreate),    Returned(ERROR_ACCESS_DENIED),                "registry"};
inline constexpr Call kRegSetValueExA  {Counted(Family::RegistrySet),       Returned(ERROR_CANTWRITE),                    "registry"};
inline constexpr Call kRegDeleteValueA {Counted(Family::RegistryDelete),    Returned(ERROR_ACCESS_DENIED),                "registry"};
inline constexpr Call kRegDeleteKeyA   {Counted(Family::RegistryDelete),    Returned(ERROR_ACCESS_DENIED),                "registry"};
// USER32: the display, resources
inline constexpr Call kSystemParametersInfoA{faults::kNone,                 {},                                           "display"};
inline constexpr Call kSetSysColors    {faults::kNone,                      {},                                           "display"};
inline constexpr Call kSetSystemCursor {Switched(Switch::SetSystemCursor),  LastError(ERROR_INVALID_PARAMETER),           "display"};
inline constexpr Call kLoadCursorFromFileA{Switched(Switch::LoadCursorFromFile), LastError(ERROR_FILE_NOT_FOUND),         nullptr};
inline constexpr Call kLoadStringA     {Switched(Switch::StringLoads),      LastError(ERROR_RESOURCE_NAME_NOT_FOUND),     nullptr};
// SHELL32 and OLE32
inline constexpr Call kCoCreateInstance{Switched(Switch::ObjectCreation),   Returned(REGDB_E_CLASSNOTREG),                nullptr};
inline constexpr Call kSHGetMalloc     {Switched(Switch::Allocator),        Returned(E_FAIL),                             nullptr};
inline constexpr Call kSHGetDesktopFolder{Switched(Switch::DesktopFolder),  Returned(E_FAIL),                             nullptr};
inline constexpr Call kEnumObjects     {Switched(Switch::DesktopEnumeration), Returned(E_FAIL),                           nullptr};
inline constexpr Call kSHGetSpecialFolderLocation{Switched(Switch::SpecialFolder), Returned(E_FAIL),                      nullptr};
inline constexpr Call kSaveLink        {Counted(Family::FileCreate),        Returned(E_FAIL),                             "shell"};
inline constexpr Call kSHChangeNotify  {faults::kNone,                      {},                                           "shell"};
// clang-format on

// What a formatter gives: the changes, one line each (without the area).
using Lines = std::vector<std::string>;

namespace detail {

template <typename Result> Result Injected(const Failure& failure) {
    if constexpr (std::is_arithmetic_v<Result>) {
        if (failure.kind == Failure::Returned)
            return static_cast<Result>(failure.error);
        if (failure.kind == Failure::Errno) {
            crt_set_errno(failure.error);
            return static_cast<Result>(-1);
        }
    }
    return Fail(static_cast<DWORD>(failure.error), Result());
}

// The body, told whether an injected fault shortens it when it asks.
template <typename Body> decltype(auto) Invoke(Body& body, bool injected) {
    if constexpr (std::is_invocable_v<Body&, bool>)
        return body(injected);
    else
        return body();
}

inline void Report(const Call& call, const Lines& lines) {
    for (const std::string& what : lines)
        trace::Report(call.area, what);
}

} // namespace detail

// The one way through an emulated call (see the top of this file).
// `traced(result)` is called only while the trace is on and returns Lines;
// for a call without a result it takes no argument.
template <typename Body, typename Traced> auto Run(const Call& call, Body&& body, Traced&& traced) {
    using Result = decltype(detail::Invoke(body, false));
    bool injected = faults::Strikes(call.fault);
    if constexpr (std::is_void_v<Result>) {
        {
            std::optional<trace::Quiet> quiet;
            if (call.quietInside)
                quiet.emplace();
            detail::Invoke(body, injected);
        }
        if (call.area && trace::On())
            detail::Report(call, traced());
    } else {
        if (injected && call.failure.kind != Failure::Shortened)
            return detail::Injected<Result>(call.failure);
        std::optional<Result> result;
        {
            std::optional<trace::Quiet> quiet;
            if (call.quietInside)
                quiet.emplace();
            result = detail::Invoke(body, injected);
        }
        if (call.area && trace::On())
            detail::Report(call, traced(*result));
        return *result;
    }
}

// A call that reports nothing itself.
template <typename Body> auto Run(const Call& call, Body&& body) {
    return Run(call, std::forward<Body>(body), [](auto&&...) { return Lines(); });
}

} // namespace calls
