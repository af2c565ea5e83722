#include "machine.h"

#include <cstdio>
#include <cwchar>
#include <cstdlib>
#include <cwctype>

#include "drives.h"
#include "filesystem.h"
#include "known_folders.h"
#include "processes.h"
#include "registry.h"
#include "services.h"
#include "text.h"
#include "token.h"
#include "win_api.h"

namespace sim {

namespace {
Machine* g_current = nullptr;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::towupper(a[i]) != std::towupper(b[i])) return false;
    }
    return true;
}

std::wstring Hex(DWORD value) {
    wchar_t text[16];
    std::swprintf(text, sizeof text / sizeof text[0], L"0x%lX", static_cast<unsigned long>(value));
    return text;
}

std::wstring Upper(const std::wstring& text) {
    std::wstring out(text);
    for (auto& ch : out) ch = static_cast<wchar_t>(std::towupper(ch));
    return out;
}

void Faults::FailOnce(const std::string& operation, DWORD error) {
    rules_.push_back({operation, L"", error, true});
}

void Faults::FailAlways(const std::string& operation, DWORD error) {
    rules_.push_back({operation, L"", error, false});
}

void Faults::FailForPath(const std::string& operation, const std::wstring& path, DWORD error) {
    rules_.push_back({operation, path, error, false});
}

void Faults::Clear() { rules_.clear(); }

DWORD Faults::Check(const char* operation, LPCWSTR path) {
    for (auto it = rules_.begin(); it != rules_.end(); ++it) {
        if (it->operation != operation) continue;
        if (!it->path.empty()) {
            if (path == nullptr) continue;
            ParsedPath want = ParsePath(it->path), got = ParsePath(path);
            bool same = want.valid && got.valid && want.drive == got.drive && want.parts.size() == got.parts.size();
            for (size_t i = 0; same && i < want.parts.size(); ++i) same = SameName(want.parts[i], got.parts[i]);
            if (!same && !SameName(it->path, path)) continue;
        }
        DWORD error = it->error;
        if (it->once) rules_.erase(it);
        return error;
    }
    return 0;
}

Machine::Machine()
    : drives_(new DriveTable),
      files_(new FileSystem(*drives_)),
      knownFolders_(new KnownFolders),
      registry_(new Registry),
      token_(new Token),
      processes_(new Processes),
      services_(new Services),
      text_(new TextState) {
    files_->MakeFolders(knownFolders_->paths[CSIDL_COMMON_APPDATA]);
    files_->MakeFolders(knownFolders_->paths[CSIDL_LOCAL_APPDATA]);
}

Machine::~Machine() = default;

Machine& Machine::Current() {
    if (g_current == nullptr) {
        std::fprintf(stderr, "simulated Windows called with no machine installed\n");
        std::abort();
    }
    return *g_current;
}

bool Machine::Installed() { return g_current != nullptr; }

HANDLE Machine::AddHandle(HandleKind kind, std::shared_ptr<void> object) {
    uintptr_t value = nextHandle_;
    nextHandle_ += 4;
    handles_[value] = Entry{kind, std::move(object)};
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<void> Machine::FindObject(HANDLE handle, HandleKind kind) const {
    auto it = handles_.find(reinterpret_cast<uintptr_t>(handle));
    if (it == handles_.end() || it->second.kind != kind) return nullptr;
    return it->second.object;
}

bool Machine::CloseHandleOf(HANDLE handle, HandleKind kind) {
    auto it = handles_.find(reinterpret_cast<uintptr_t>(handle));
    if (it == handles_.end() || it->second.kind != kind) return false;
    handles_.erase(it);
    return true;
}

size_t Machine::OpenHandles(HandleKind kind) const {
    size_t count = 0;
    for (const auto& entry : handles_) count += entry.second.kind == kind;
    return count;
}

ScopedMachine::ScopedMachine() : machine_(new Machine), previous_(g_current) { g_current = machine_.get(); }

ScopedMachine::~ScopedMachine() { g_current = previous_; }

}  // namespace sim

using sim::Machine;

DWORD GetLastError() { return Machine::Current().lastError; }

void SetLastError(DWORD code) { Machine::Current().lastError = code; }

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)); }

// Every kind of kernel handle is closed here; registry keys, searches and service handles have
// their own closing operations.
BOOL CloseHandle(HANDLE handle) {
    Machine& machine = Machine::Current();
    for (auto kind : {sim::HandleKind::Token, sim::HandleKind::Process, sim::HandleKind::Snapshot,
                      sim::HandleKind::File, sim::HandleKind::Mutex}) {
        if (kind == sim::HandleKind::File) {
            auto open = machine.FindHandle<sim::OpenFile>(handle, kind);
            sim::Node* folder = open ? (open->via ? open->via.get() : open->node->parent) : nullptr;
            if (open && open->deleteOnClose && folder) {
                bool lastName = open->node->Links() == 1;
                machine.files().Reserve(open->drive, open->node->IsFolder() || !lastName ? 0 : open->node->data.size(), 0);
                machine.files().RemoveChild(*folder, *open->node);
                if (lastName) open->node->parent = nullptr;
            }
        }
        if (kind == sim::HandleKind::Mutex) {
            auto name = machine.FindHandle<std::wstring>(handle, kind);
            if (name && !name->empty() && --machine.namedObjects[*name] == 0) {
                machine.namedObjects.erase(*name);
                machine.namedObjectOwners.erase(*name);
                machine.mutexOwners.erase(*name);
            }
        }
        if (machine.CloseHandleOf(handle, kind)) return TRUE;
    }
    return sim::Fail(ERROR_INVALID_HANDLE, FALSE);
}
