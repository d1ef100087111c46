#pragma once
// Result codes of the media platform: 0 success, 1 "success, but not quite" (S_FALSE), negative
// failure. The named codes carry the values the capture library tests for.

#include <cstdint>

namespace media {

using HRESULT = int32_t;

inline constexpr HRESULT code(uint32_t bits) { return static_cast<HRESULT>(bits); }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = code(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = code(0x80004002);
inline constexpr HRESULT E_POINTER = code(0x80004003);
inline constexpr HRESULT E_FAIL = code(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = code(0x8000FFFF);
inline constexpr HRESULT E_OUTOFMEMORY = code(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = code(0x80070057);
// A property identifier the device does not support.
inline constexpr HRESULT E_PROP_ID_UNSUPPORTED = code(0x80070490);
inline constexpr HRESULT RPC_E_CHANGED_MODE = code(0x80010106);
inline constexpr HRESULT CO_E_NOTINITIALIZED = code(0x800401F0);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = code(0x80040154);
inline constexpr HRESULT VFW_E_INVALIDMEDIATYPE = code(0x80040200);
inline constexpr HRESULT VFW_E_ALREADY_CONNECTED = code(0x80040204);
inline constexpr HRESULT VFW_E_NOT_CONNECTED = code(0x80040209);
inline constexpr HRESULT VFW_E_NOT_FOUND = code(0x80040216);
inline constexpr HRESULT VFW_E_NOT_STOPPED = code(0x80040224);
inline constexpr HRESULT VFW_E_WRONG_STATE = code(0x80040227);
inline constexpr HRESULT VFW_E_NOT_IN_GRAPH = code(0x8004025F);
inline constexpr HRESULT STG_E_CANTSAVE = code(0x80030103);

// Any non-negative code counts as success, unless a caller insists on S_OK.
inline constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
inline constexpr bool FAILED(HRESULT hr) { return hr < 0; }

}  // namespace media
