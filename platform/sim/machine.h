// The simulated Windows machine: the state behind the operations of win_api.h, and the control
// interface through which tests seed it, read it back and make operations fail.
//
// A test installs a fresh machine for its duration (ScopedMachine); the operations act on the
// installed one. Each facility keeps its state in its own type, declared in its own header.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "win_types.h"

namespace sim {

struct DriveTable;
struct FileSystem;
struct KnownFolders;
struct Registry;
struct Token;
struct Processes;
struct Services;
struct TextState;

enum class HandleKind { Find, File, Key, Token, Process, Snapshot, ServiceManager, Service, Mutex };

// Chosen failures: an operation (by its Windows name) fails with a chosen error code, either on its
// next call or on every call whose path argument names a given path (compared without regard to case).
class Faults {
public:
    void FailOnce(const std::string& operation, DWORD error);
    void FailAlways(const std::string& operation, DWORD error);
    void FailForPath(const std::string& operation, const std::wstring& path, DWORD error);
    void Clear();
    // The error the call must fail with, or 0. Used by the operations themselves.
    DWORD Check(const char* operation, LPCWSTR path = nullptr);

private:
    struct Rule {
        std::string operation;
        std::wstring path;  // empty: any call
        DWORD error;
        bool once;
    };
    std::vector<Rule> rules_;
};

class Machine {
public:
    Machine();
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // The installed machine; a call without one is a fault of the test and aborts.
    static Machine& Current();
    static bool Installed();

    DriveTable& drives() { return *drives_; }
    FileSystem& files() { return *files_; }
    KnownFolders& knownFolders() { return *knownFolders_; }
    Registry& registry() { return *registry_; }
    Token& token() { return *token_; }
    Processes& processes() { return *processes_; }
    Services& services() { return *services_; }
    TextState& text() { return *text_; }
    Faults& faults() { return faults_; }

    // Handles of every kind: registry keys, tokens, searches, snapshots, processes, services, files.
    HANDLE AddHandle(HandleKind kind, std::shared_ptr<void> object);
    template <class T>
    std::shared_ptr<T> FindHandle(HANDLE handle, HandleKind kind) const {
        return std::static_pointer_cast<T>(FindObject(handle, kind));
    }
    bool CloseHandleOf(HANDLE handle, HandleKind kind);
    size_t OpenHandles() const { return handles_.size(); }
    size_t OpenHandles(HandleKind kind) const;

    // The record of notable calls, in order, such as L"CreateDirectoryW D:\\mvtemp". Tests read it
    // to check the order of steps.
    void Log(const std::wstring& entry) { calls_.push_back(entry); }
    const std::vector<std::wstring>& calls() const { return calls_; }
    void ClearCalls() { calls_.clear(); }

    DWORD lastError = 0;
    // Named kernel objects (mutexes), machine-wide: the open handles to each name. A name lives
    // while a handle to it is open, whichever process holds it.
    std::map<std::wstring, int> namedObjects;
    // The owner's SID of each named object, as its creator's descriptor gave it (by default the
    // elevated token's owner, Administrators).
    std::map<std::wstring, std::wstring> namedObjectOwners;
    // Memory handed out for LocalFree (security descriptors), by address, and the SIDs named in
    // them, by number (sim_security.cpp).
    std::map<void*, std::shared_ptr<void>> localMemory;
    std::vector<std::wstring> sids;
    // The process error mode (SetErrorMode), and the system's own boxes that Windows would have
    // raised while critical errors were not failed quietly: one line each, such as a request for
    // a disk in a removable drive without a medium.
    UINT errorMode = 0;
    std::vector<std::wstring> systemBoxes;
    // A kill: the process ends at its killAfter-th step from now (a file, profile or registry
    // operation; -1: never). From then on every such operation fails with ERROR_PROCESS_ABORTED
    // and changes nothing, but a write it ended in, which writes half of what it was writing
    // (`dying` marks it). Handles are closed as the system closes them.
    int64_t killAfter = -1;
    bool killed = false;
    bool dying = false;
    DWORD Step() {
        if (!killed && killAfter != 0) {
            if (killAfter > 0) --killAfter;
            return 0;
        }
        dying = !killed;
        killed = true;
        return ERROR_PROCESS_ABORTED;
    }
    // The file operations made while the backup or the restore privilege was enabled.
    std::vector<std::wstring> privilegedFileOperations;
    // Named mutexes that a thread owns: this process, or another one (a run under way elsewhere),
    // and whether that owner ended without letting it go (WaitForSingleObject then answers
    // WAIT_ABANDONED to the next that takes it).
    struct MutexOwner {
        bool otherProcess = false;
        bool abandoned = false;
    };
    std::map<std::wstring, MutexOwner> mutexOwners;
    // Control interface: a mutex of that name that another process made, with that owner's SID,
    // and owns (or owned, when it ended without letting it go).
    void HoldMutexElsewhere(const std::wstring& name, const std::wstring& ownerSid, bool abandoned = false);
    // The process's standard output (sim_console.cpp): a console, or the file or pipe it was
    // redirected to; and everything written to the console, as it arrived.
    bool outputIsConsole = false;
    std::wstring console;
    // Milliseconds since start; advanced by waits so that time-bounded loops can be tested.
    uint64_t clockMs = 0;

private:
    std::shared_ptr<void> FindObject(HANDLE handle, HandleKind kind) const;

    std::unique_ptr<DriveTable> drives_;
    std::unique_ptr<FileSystem> files_;
    std::unique_ptr<KnownFolders> knownFolders_;
    std::unique_ptr<Registry> registry_;
    std::unique_ptr<Token> token_;
    std::unique_ptr<Processes> processes_;
    std::unique_ptr<Services> services_;
    std::unique_ptr<TextState> text_;
    Faults faults_;
    struct Entry {
        HandleKind kind;
        std::shared_ptr<void> object;
    };
    std::map<uintptr_t, Entry> handles_;
    uintptr_t nextHandle_ = 0x1000;
    std::vector<std::wstring> calls_;
};

// Installs a fresh machine for the lifetime of this object; the one before it comes back after.
class ScopedMachine {
public:
    ScopedMachine();
    ~ScopedMachine();
    Machine& operator*() { return *machine_; }
    Machine* operator->() { return machine_.get(); }

private:
    std::unique_ptr<Machine> machine_;
    Machine* previous_;
};

// Waits for a named mutex on behalf of this process: WAIT_OBJECT_0 (or WAIT_ABANDONED) when it
// is, or becomes, this process's; WAIT_TIMEOUT, with the clock advanced, while another owns it.
DWORD WaitForMutex(const std::wstring& name, DWORD milliseconds);

// Sets the last error and returns the given result: the common tail of a failing operation.
template <class R>
R Fail(DWORD error, R result) {
    Machine::Current().lastError = error;
    return result;
}

// Case-insensitive comparison of names as Windows does for files, registry keys and profile names.
bool SameName(const std::wstring& a, const std::wstring& b);
std::wstring Upper(const std::wstring& text);
// A number as the call record writes access masks: "0x1F0FFF".
std::wstring Hex(DWORD value);

}  // namespace sim
