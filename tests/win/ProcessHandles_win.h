#pragma once
// For the test helpers: a process's handle count from the system's list of processes, which Wine
// fills from its server (GetProcessHandleCount gives nothing there). Wine counts the slots of the
// process's handle table, which grows 64 at a time.
#include <windows.h>

#include <winternl.h>

#include <cstddef>
#include <string>
#include <vector>

namespace vardex::test {

struct ProcessEntry {
    DWORD id = 0;
    std::wstring image;
    ULONG handles = 0;
};

inline std::vector<ProcessEntry> RunningProcesses()
{
    std::vector<std::byte> list(1 << 20);
    ULONG size = 0;
    while (NtQuerySystemInformation(SystemProcessInformation, list.data(), static_cast<ULONG>(list.size()), &size) ==
           static_cast<NTSTATUS>(0xC0000004L))  // the list did not fit
        list.resize(list.size() * 2);
    std::vector<ProcessEntry> processes;
    for (size_t offset = 0;;) {
        const auto* entry = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(list.data() + offset);
        processes.push_back({static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(entry->UniqueProcessId)),
                             std::wstring(entry->ImageName.Buffer ? entry->ImageName.Buffer : L"",
                                          entry->ImageName.Length / sizeof(wchar_t)),
                             entry->HandleCount});
        if (!entry->NextEntryOffset)
            return processes;
        offset += entry->NextEntryOffset;
    }
}

inline ULONG OwnHandleCount()
{
    for (const ProcessEntry& process : RunningProcesses())
        if (process.id == GetCurrentProcessId())
            return process.handles;
    return 0;
}

}  // namespace vardex::test
