#pragma once
// The Remote Access Service records in their Windows 95 / NT 4.0 (WINVER 0x0400) layouts,
// and the signatures of the six entry points the checker looks up by name.
//
// mingw's <ras.h> declares only the newest layouts whatever WINVER says, so the old ones are
// written out here, field for field as the platform headers have them at WINVER 0x0400. The
// service picks the layout from the size field, so each size field is the sizeof below.
#include <windows.h>
#include <ras.h>

namespace ras {

struct ConnA {
    DWORD dwSize;
    HRASCONN hrasconn;
    CHAR szEntryName[RAS_MaxEntryName + 1];
    CHAR szDeviceType[RAS_MaxDeviceType + 1];
    CHAR szDeviceName[RAS_MaxDeviceName + 1];
};

struct ConnStatusA {
    DWORD dwSize;
    RASCONNSTATE rasconnstate;
    DWORD dwError;
    CHAR szDeviceType[RAS_MaxDeviceType + 1];
    CHAR szDeviceName[RAS_MaxDeviceName + 1];
};

struct DialParamsA {
    DWORD dwSize;
    CHAR szEntryName[RAS_MaxEntryName + 1];
    CHAR szPhoneNumber[RAS_MaxPhoneNumber + 1];
    CHAR szCallbackNumber[RAS_MaxCallbackNumber + 1];
    CHAR szUserName[UNLEN + 1];
    CHAR szPassword[PWLEN + 1];
    CHAR szDomain[DNLEN + 1];
};

struct EntryNameA {
    DWORD dwSize;
    CHAR szEntryName[RAS_MaxEntryName + 1];
};

#ifndef _WIN64
static_assert(sizeof(ConnA) == 412, "RASCONNA of Windows 95 / NT 4.0");
static_assert(sizeof(ConnStatusA) == 160, "RASCONNSTATUSA of Windows 95 / NT 4.0");
static_assert(sizeof(DialParamsA) == 1052, "RASDIALPARAMSA of Windows 95 / NT 4.0");
static_assert(sizeof(EntryNameA) == 264, "RASENTRYNAMEA of Windows 95 / NT 4.0");
#endif

using EnumConnectionsFn = DWORD(WINAPI*)(ConnA*, LPDWORD, LPDWORD);
using GetConnectStatusFn = DWORD(WINAPI*)(HRASCONN, ConnStatusA*);
using EnumEntriesFn = DWORD(WINAPI*)(LPCSTR, LPCSTR, EntryNameA*, LPDWORD, LPDWORD);
using GetEntryDialParamsFn = DWORD(WINAPI*)(LPCSTR, DialParamsA*, LPBOOL);
using DialFn = DWORD(WINAPI*)(LPRASDIALEXTENSIONS, LPCSTR, DialParamsA*, DWORD, LPVOID, LPHRASCONN);
using HangUpFn = DWORD(WINAPI*)(HRASCONN);

}  // namespace ras
