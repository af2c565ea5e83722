// The suite's windows, processes and services that the stop sequence ends, each table in the
// order in which it is worked through.
#pragma once

#include "platform/platform.h"

// A kind of top-level window: its class (null: any class) and its exact title.
struct SuiteWindow {
    LPCWSTR className;
    LPCWSTR title;
};

inline constexpr SuiteWindow kSuiteWindows[] = {
    {L"Mirovane BS MainWindow", L"Mirovane"},
    {L"MvUI Window Class", L"MvUI Window"},
    {L"Mirovane Digital Tuner Control MainWindow", L"Mirovane Digital Tuner Control"},
    {L"Kodrel", L"Kodrel"},
    {L"IKodrel", L"IKodrel"},
    {nullptr, L"Mv/Sche"},
    {nullptr, L"Mirovane /UPnPManager"},
};

// Executable names, narrow and lower-case, compared with a running process's lowercased name.
inline constexpr const char* kSuiteProcessNames[] = {"mvadmin.exe", "brixhost.exe"};

inline constexpr LPCWSTR kSuiteServiceNames[] = {L"MVAdminService", L"MVAdminService64"};
