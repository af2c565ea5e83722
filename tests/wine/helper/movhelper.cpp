// movhelper: seeds and reads state inside a Wine prefix for the rig, one process for what would
// otherwise take many `wine reg` or `wine cmd` starts. Text in and out is UTF-8; every command
// prints its result on standard output and exits 0 on success, 1 on a failure it names on
// standard error, 2 on a usage error.
//
//   launch CMDLINE OUT ERR TIMEOUT_MS   runs CMDLINE (%XX escapes) exactly as given, with its
//                                       standard output and error in the files OUT and ERR;
//                                       prints "exit=N ms=T windows=W visible=V" (W: top-level
//                                       windows the process owned while it ran, V: visible ones);
//                                       exit 3 and "timeout ms=T windows=W visible=V" when it
//                                       outlives TIMEOUT_MS (it is then terminated)
//   drives                              "D: 3" for every present drive, with GetDriveTypeW
//   winedrives [x:=TYPE ...]            replaces HKLM\Software\Wine\Drives (64-bit view)
//   regset32 KEY NAME TYPE DATA         one value in the 32-bit view (TYPE: dword qword sz
//                                       expand_sz multi_sz binary); NAME "@" is the default value
//   regdel32 KEY...                     deletes each KEY with everything below it (absent is no
//                                       error)
//   regdump32 KEY...                    each KEY and its subkeys, sorted: "[KEY]" then
//                                       "name=type:data"; "missing" for a KEY that is absent
//   regimport32 FILE                    the regdump32 format back into the registry
//   regdump64 / regset64 / regdel64     the same in the 64-bit view
//   tree PATH                           every entry below PATH, sorted: "rel\path<TAB>attrs<TAB>size"
//                                       (attrs from D R H S L; links are listed, never entered)
//   setattr PATH [R][H][S]              sets exactly these attributes (none: normal)
//   folder common_appdata|local_appdata the known folder's path
//   windows                             "pid<TAB>class<TAB>title<TAB>visible" per top-level window
//   procs                               "pid<TAB>exe" per process
//   kill EXE...                         terminates every process of these executable names
//   waitwindow CLASS|- TITLE TIMEOUT_MS exit 0 once the window exists, 1 at the timeout
//   waitprocs EXE COUNT TIMEOUT_MS      exit 0 once COUNT processes of that name run
//   waitgone EXE TIMEOUT_MS             exit 0 once no process of that name runs
//   close CLASS|- TITLE ...             asks every such top-level window to close (WM_CLOSE)
//   svc NAME...                         each service's state, a line each: stopped, start_pending,
//                                       stop_pending, running, ... or missing
//   svcstart NAME ARG...                starts the service with these arguments (StartServiceW)
//   waitsvc NAME STATE TIMEOUT_MS       exit 0 once the service is in STATE (a state as svc prints
//                                       it), 1 at the timeout; prints the last state seen
//   mutex NAME SDDL MS                  holds a mutex made with that descriptor for MS ms
#include "base/file_read.h"
#include "platform/handles.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

namespace {

typedef std::vector<std::wstring> Args;

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    return out;
}

std::wstring Wide(const std::string& text) {
    if (text.empty()) return std::wstring();
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size);
    return out;
}

void WriteTo(DWORD which, const std::string& text) {
    HANDLE handle = GetStdHandle(which);
    DWORD written = 0;
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
        WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
}

void Out(const std::wstring& line) { WriteTo(STD_OUTPUT_HANDLE, Utf8(line) + "\n"); }

int Fail(const std::wstring& what, DWORD error) {
    WriteTo(STD_ERROR_HANDLE, "movhelper: " + Utf8(what) + " (error " + std::to_string(error) + ")\n");
    return 1;
}

int Usage() {
    WriteTo(STD_ERROR_HANDLE, "movhelper: bad arguments; see the head of movhelper.cpp\n");
    return 2;
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// "%22C:\a b%22%20/get" -> "\"C:\a b\" /get"
std::wstring Unescape(const std::wstring& text) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
            out += static_cast<wchar_t>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool EqualNoCase(const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) == 0; }

// ---- launch ----------------------------------------------------------------------------------

struct WindowWatch {
    DWORD processId;
    std::set<HWND>* all;
    std::set<HWND>* visible;
};

BOOL CALLBACK WatchWindow(HWND window, LPARAM param) {
    WindowWatch* watch = reinterpret_cast<WindowWatch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == watch->processId) {
        watch->all->insert(window);
        if (IsWindowVisible(window)) watch->visible->insert(window);
    }
    return TRUE;
}

HANDLE CreateOutputFile(const std::wstring& path) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

int Launch(const Args& args) {
    if (args.size() != 4) return Usage();
    std::wstring commandLine = Unescape(args[0]);
    DWORD timeout = wcstoul(args[3].c_str(), nullptr, 10);
    KernelHandle out(CreateOutputFile(args[1]));
    KernelHandle err(CreateOutputFile(args[2]));
    KernelHandle in(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!out.Valid() || !err.Valid()) return Fail(L"output files", GetLastError());
    if (in.Valid()) SetHandleInformation(in.Get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.Get();
    startup.hStdOutput = out.Get();
    startup.hStdError = err.Get();
    PROCESS_INFORMATION process = {};
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(0);
    ULONGLONG start = GetTickCount64();
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        return Fail(L"cannot start " + commandLine, GetLastError());
    }
    KernelHandle thread(process.hThread);
    KernelHandle child(process.hProcess);
    // The child holds its own copies: the files end when it does.
    out.Reset();
    err.Reset();
    in.Reset();

    // The top-level windows are listed every 10 ms while the child runs: a window that a dialog or
    // a console would open lives far longer. (Listing them without a pause took as much of the
    // machine as the child itself.)
    std::set<HWND> all, visible;
    WindowWatch watch = {process.dwProcessId, &all, &visible};
    bool ended = false;
    while (GetTickCount64() - start < timeout) {
        EnumWindows(WatchWindow, reinterpret_cast<LPARAM>(&watch));
        if (WaitForSingleObject(child.Get(), 10) == WAIT_OBJECT_0) {
            ended = true;
            break;
        }
    }
    ULONGLONG elapsed = GetTickCount64() - start;
    std::wstring seen = L" ms=" + std::to_wstring(elapsed) + L" windows=" + std::to_wstring(all.size()) +
                        L" visible=" + std::to_wstring(visible.size());
    if (!ended) {
        TerminateProcess(child.Get(), 1);
        WaitForSingleObject(child.Get(), 5000);
        Out(L"timeout" + seen);
        return 3;
    }
    DWORD code = 0;
    GetExitCodeProcess(child.Get(), &code);
    Out(L"exit=" + std::to_wstring(code) + seen);
    return 0;
}

// ---- drives ----------------------------------------------------------------------------------

int Drives(const Args& args) {
    if (!args.empty()) return Usage();
    DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (!(mask & (1u << i))) continue;
        wchar_t root[] = {static_cast<wchar_t>(L'A' + i), L':', L'\\', 0};
        Out(std::wstring(root, 2) + L" " + std::to_wstring(GetDriveTypeW(root)));
    }
    return 0;
}

// ---- registry --------------------------------------------------------------------------------

bool SplitKey(const std::wstring& path, HKEY& root, std::wstring& subKey) {
    size_t slash = path.find(L'\\');
    std::wstring head = path.substr(0, slash);
    subKey = slash == std::wstring::npos ? std::wstring() : path.substr(slash + 1);
    if (EqualNoCase(head, L"HKLM") || EqualNoCase(head, L"HKEY_LOCAL_MACHINE")) root = HKEY_LOCAL_MACHINE;
    else if (EqualNoCase(head, L"HKCU") || EqualNoCase(head, L"HKEY_CURRENT_USER")) root = HKEY_CURRENT_USER;
    else if (EqualNoCase(head, L"HKU") || EqualNoCase(head, L"HKEY_USERS")) root = HKEY_USERS;
    else if (EqualNoCase(head, L"HKCR") || EqualNoCase(head, L"HKEY_CLASSES_ROOT")) root = HKEY_CLASSES_ROOT;
    else return false;
    return true;
}

// Backslash, line breaks and NUL written as \\ \n \r \0; in names also '=' and a leading '@'.
std::wstring EscapeText(const std::wstring& text, bool name) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c == L'\\') out += L"\\\\";
        else if (c == L'\n') out += L"\\n";
        else if (c == L'\r') out += L"\\r";
        else if (c == 0) out += L"\\0";
        else if (name && (c == L'=' || (c == L'@' && i == 0))) out += std::wstring(L"\\") + c;
        else out += c;
    }
    return out;
}

std::wstring UnescapeText(const std::wstring& text) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        wchar_t c = text[++i];
        out += c == L'n' ? L'\n' : c == L'r' ? L'\r' : c == L'0' ? L'\0' : c;
    }
    return out;
}

struct TypeName {
    DWORD type;
    const wchar_t* name;
};
const TypeName kTypes[] = {{REG_DWORD, L"dword"},   {REG_QWORD, L"qword"},       {REG_SZ, L"sz"},
                           {REG_EXPAND_SZ, L"expand_sz"}, {REG_MULTI_SZ, L"multi_sz"}, {REG_BINARY, L"binary"},
                           {REG_NONE, L"none"}};

bool TypeFromName(const std::wstring& name, DWORD& type) {
    for (const auto& entry : kTypes) {
        if (name == entry.name) {
            type = entry.type;
            return true;
        }
    }
    return false;
}

std::wstring NameOfType(DWORD type) {
    for (const auto& entry : kTypes) {
        if (entry.type == type) return entry.name;
    }
    return L"type" + std::to_wstring(type);
}

std::wstring FormatData(DWORD type, const std::vector<BYTE>& data) {
    if (type == REG_DWORD && data.size() == 4) {
        DWORD value;
        memcpy(&value, data.data(), 4);
        return std::to_wstring(value);
    }
    if (type == REG_QWORD && data.size() == 8) {
        ULONGLONG value;
        memcpy(&value, data.data(), 8);
        return std::to_wstring(value);
    }
    if ((type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) && data.size() % 2 == 0) {
        std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / 2);
        // One terminator is the usual form: show it only when it is missing.
        if (!text.empty() && text.back() == 0) text.pop_back();
        else text += L"\\noterm";
        return EscapeText(text, false);
    }
    std::wstring hex;
    for (BYTE byte : data) {
        wchar_t digits[3];
        swprintf(digits, 3, L"%02x", byte);
        hex += digits;
    }
    return hex;
}

bool ParseData(DWORD type, const std::wstring& text, std::vector<BYTE>& data) {
    data.clear();
    if (type == REG_DWORD) {
        DWORD value = wcstoul(text.c_str(), nullptr, 10);
        data.resize(4);
        memcpy(data.data(), &value, 4);
    } else if (type == REG_QWORD) {
        ULONGLONG value = wcstoull(text.c_str(), nullptr, 10);
        data.resize(8);
        memcpy(data.data(), &value, 8);
    } else if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        std::wstring value = UnescapeText(text);
        value.push_back(0);
        const BYTE* bytes = reinterpret_cast<const BYTE*>(value.data());
        data.assign(bytes, bytes + value.size() * sizeof(wchar_t));
    } else {
        if (text.size() % 2) return false;
        for (size_t i = 0; i < text.size(); i += 2) {
            int high = HexDigit(text[i]), low = HexDigit(text[i + 1]);
            if (high < 0 || low < 0) return false;
            data.push_back(static_cast<BYTE>(high * 16 + low));
        }
    }
    return true;
}

LONG SetValue(REGSAM view, const std::wstring& key, const std::wstring& name, DWORD type, const std::vector<BYTE>& data) {
    HKEY root;
    std::wstring subKey;
    if (!SplitKey(key, root, subKey)) return ERROR_INVALID_PARAMETER;
    RegKey handle;
    LONG status = RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, handle.Receive(), nullptr);
    if (status != ERROR_SUCCESS) return status;
    return RegSetValueExW(handle.Get(), name == L"@" ? nullptr : UnescapeText(name).c_str(), 0, type, data.data(),
                          static_cast<DWORD>(data.size()));
}

int RegSet(REGSAM view, const Args& args) {
    DWORD type;
    std::vector<BYTE> data;
    if (args.size() != 4 || !TypeFromName(args[2], type) || !ParseData(type, args[3], data)) return Usage();
    LONG status = SetValue(view, args[0], args[1], type, data);
    return status == ERROR_SUCCESS ? 0 : Fail(L"set " + args[0] + L" " + args[1], status);
}

int RegDelOne(REGSAM view, const std::wstring& key) {
    HKEY root;
    std::wstring subKey;
    if (!SplitKey(key, root, subKey) || subKey.empty()) return Usage();
    RegKey handle;
    LONG status = RegOpenKeyExW(root, subKey.c_str(), 0, KEY_ALL_ACCESS | view, handle.Receive());
    if (status == ERROR_FILE_NOT_FOUND) return 0;
    if (status != ERROR_SUCCESS) return Fail(L"open " + key, status);
    status = RegDeleteTreeW(handle.Get(), nullptr);
    handle.Reset();
    if (status != ERROR_SUCCESS) return Fail(L"delete below " + key, status);
    status = RegDeleteKeyExW(root, subKey.c_str(), view, 0);
    return status == ERROR_SUCCESS ? 0 : Fail(L"delete " + key, status);
}

int RegDel(REGSAM view, const Args& args) {
    if (args.empty()) return Usage();
    for (const auto& key : args) {
        int result = RegDelOne(view, key);
        if (result != 0) return result;
    }
    return 0;
}

bool LessNoCase(const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) < 0; }

void DumpKey(HKEY handle, const std::wstring& path, REGSAM view) {
    Out(L"[" + path + L"]");
    std::vector<std::wstring> lines;
    for (DWORD index = 0;; ++index) {
        wchar_t name[16384];
        DWORD nameLength = 16384, type = 0, size = 0;
        LONG status = RegEnumValueW(handle, index, name, &nameLength, nullptr, &type, nullptr, &size);
        if (status != ERROR_SUCCESS) break;
        std::vector<BYTE> data(size);
        nameLength = 16384;
        RegEnumValueW(handle, index, name, &nameLength, nullptr, &type, data.data(), &size);
        data.resize(size);
        std::wstring shown = nameLength == 0 ? L"@" : EscapeText(std::wstring(name, nameLength), true);
        lines.push_back(shown + L"=" + NameOfType(type) + L":" + FormatData(type, data));
    }
    std::sort(lines.begin(), lines.end(), LessNoCase);
    for (const auto& line : lines) Out(line);
    std::vector<std::wstring> subKeys;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(handle, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        subKeys.emplace_back(name, length);
    }
    std::sort(subKeys.begin(), subKeys.end(), LessNoCase);
    for (const auto& name : subKeys) {
        RegKey child;
        if (RegOpenKeyExW(handle, name.c_str(), 0, KEY_READ | view, child.Receive()) != ERROR_SUCCESS) continue;
        DumpKey(child.Get(), path + L"\\" + name, view);
    }
}

int RegDump(REGSAM view, const Args& args) {
    if (args.empty()) return Usage();
    for (const std::wstring& key : args) {
        HKEY root;
        std::wstring subKey;
        if (!SplitKey(key, root, subKey)) return Usage();
        RegKey handle;
        LONG status = RegOpenKeyExW(root, subKey.c_str(), 0, KEY_READ | view, handle.Receive());
        if (status == ERROR_FILE_NOT_FOUND) {
            Out(L"missing");
            continue;
        }
        if (status != ERROR_SUCCESS) return Fail(L"open " + key, status);
        DumpKey(handle.Get(), key, view);
    }
    return 0;
}

// Lines "[KEY]" and "name=type:data" as regdump32 writes them; blank lines and "#" comments skipped.
int RegImport(REGSAM view, const Args& args) {
    if (args.size() != 1) return Usage();
    FileReadResult file = ReadWholeFile(args[0], 1u << 26);
    if (file.status != FileReadStatus::Read) return Fail(L"read " + args[0], GetLastError());
    std::wstring text = Wide(file.bytes);
    std::wstring key;
    size_t count = 0, at = 0;
    while (at < text.size()) {
        size_t end = text.find(L'\n', at);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        if (line.empty() || line[0] == L'#') continue;
        if (line.front() == L'[' && line.back() == L']') {
            key = line.substr(1, line.size() - 2);
            HKEY root;
            RegKey handle;
            std::wstring subKey;
            if (!SplitKey(key, root, subKey)) return Fail(L"bad key " + key, 0);
            LONG status = RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, handle.Receive(), nullptr);
            if (status != ERROR_SUCCESS) return Fail(L"create " + key, status);
            continue;
        }
        size_t equal = 0;
        while (equal < line.size() && line[equal] != L'=') equal += line[equal] == L'\\' ? 2 : 1;
        size_t colon = line.find(L':', equal);
        DWORD type;
        std::vector<BYTE> data;
        if (key.empty() || equal >= line.size() || colon == std::wstring::npos ||
            !TypeFromName(line.substr(equal + 1, colon - equal - 1), type) || !ParseData(type, line.substr(colon + 1), data)) {
            return Fail(L"bad line: " + line, 0);
        }
        LONG status = SetValue(view, key, line.substr(0, equal), type, data);
        if (status != ERROR_SUCCESS) return Fail(L"set " + key + L" " + line, status);
        ++count;
    }
    Out(L"imported " + std::to_wstring(count));
    return 0;
}

int WineDrives(const Args& args) {
    const wchar_t* subKey = L"Software\\Wine\\Drives";
    RegKey key;
    LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                                  key.Receive(), nullptr);
    HKEY handle = key.Get();
    if (status != ERROR_SUCCESS) return Fail(L"open Wine drives", status);
    std::vector<std::wstring> old;
    for (DWORD index = 0;; ++index) {
        wchar_t name[64];
        DWORD length = 64;
        if (RegEnumValueW(handle, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        old.emplace_back(name, length);
    }
    for (const auto& name : old) RegDeleteValueW(handle, name.c_str());
    for (const auto& arg : args) {
        size_t equal = arg.find(L'=');
        if (equal == std::wstring::npos) return Usage();
        std::wstring name = arg.substr(0, equal), type = arg.substr(equal + 1);
        RegSetValueExW(handle, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(type.c_str()),
                       static_cast<DWORD>((type.size() + 1) * sizeof(wchar_t)));
    }
    return 0;
}

// ---- files -----------------------------------------------------------------------------------

std::wstring AttributeLetters(DWORD attributes) {
    std::wstring letters;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) letters += L'D';
    if (attributes & FILE_ATTRIBUTE_READONLY) letters += L'R';
    if (attributes & FILE_ATTRIBUTE_HIDDEN) letters += L'H';
    if (attributes & FILE_ATTRIBUTE_SYSTEM) letters += L'S';
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) letters += L'L';
    return letters.empty() ? L"-" : letters;
}

void ListTree(const std::wstring& folder, const std::wstring& relative, std::vector<std::wstring>& lines) {
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (!find.Valid()) return;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring path = relative.empty() ? name : relative + L"\\" + name;
        bool folderEntry = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        ULONGLONG size = (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        lines.push_back(path + L"\t" + AttributeLetters(data.dwFileAttributes) + L"\t" +
                        (folderEntry ? std::wstring(L"-") : std::to_wstring(size)));
        if (folderEntry && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            ListTree(folder + L"\\" + name, path, lines);
        }
    } while (FindNextFileW(find.Get(), &data));
}

int Tree(const Args& args) {
    if (args.size() != 1) return Usage();
    DWORD attributes = GetFileAttributesW(args[0].c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        Out(L"missing");
        return 0;
    }
    std::vector<std::wstring> lines;
    ListTree(args[0], L"", lines);
    std::sort(lines.begin(), lines.end());
    for (const auto& line : lines) Out(line);
    return 0;
}

int SetAttr(const Args& args) {
    if (args.empty() || args.size() > 2) return Usage();
    DWORD attributes = 0;
    for (wchar_t c : args.size() == 2 ? args[1] : std::wstring()) {
        if (c == L'R') attributes |= FILE_ATTRIBUTE_READONLY;
        else if (c == L'H') attributes |= FILE_ATTRIBUTE_HIDDEN;
        else if (c == L'S') attributes |= FILE_ATTRIBUTE_SYSTEM;
        else return Usage();
    }
    if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;
    return SetFileAttributesW(args[0].c_str(), attributes) ? 0 : Fail(L"attributes of " + args[0], GetLastError());
}

// mutex NAME SDDL MS: holds a mutex made with that descriptor for MS milliseconds (another
// user's object of that name, say); prints "held" once it holds it.
int Mutex(const Args& args) {
    if (args.size() != 3) return Usage();
    LocalDescriptor descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(args[1].c_str(), SDDL_REVISION_1, descriptor.Receive(), nullptr)) {
        return Fail(L"descriptor " + args[1], GetLastError());
    }
    SECURITY_ATTRIBUTES security = {sizeof security, descriptor.Get(), FALSE};
    KernelHandle mutex(CreateMutexW(&security, FALSE, args[0].c_str()));
    if (!mutex.Valid()) return Fail(L"mutex " + args[0], GetLastError());
    Out(L"held");
    Sleep(static_cast<DWORD>(std::wcstoul(args[2].c_str(), nullptr, 10)));
    return 0;
}

// shell32 is loaded by the one command that needs it: imported, it would double the start-up
// time of every command under Wine.
struct Library {
    HMODULE module;
    explicit Library(LPCWSTR name) : module(LoadLibraryW(name)) {}
    ~Library() {
        if (module != nullptr) FreeLibrary(module);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
};

int Folder(const Args& args) {
    if (args.size() != 1) return Usage();
    int id = args[0] == L"common_appdata" ? CSIDL_COMMON_APPDATA : args[0] == L"local_appdata" ? CSIDL_LOCAL_APPDATA : -1;
    if (id < 0) return Usage();
    Library shell(L"shell32.dll");
    using GetFolderPath = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);
    FARPROC found = shell.module != nullptr ? GetProcAddress(shell.module, "SHGetFolderPathW") : nullptr;
    if (found == nullptr) return Fail(L"SHGetFolderPathW", GetLastError());
    auto getFolderPath = reinterpret_cast<GetFolderPath>(reinterpret_cast<void (*)()>(found));
    wchar_t path[MAX_PATH];
    HRESULT result = getFolderPath(nullptr, id, nullptr, 0, path);
    if (FAILED(result)) return Fail(L"known folder " + args[0], static_cast<DWORD>(result));
    Out(path);
    return 0;
}

// ---- windows, processes, services ------------------------------------------------------------

BOOL CALLBACK ListWindow(HWND window, LPARAM) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[256] = {}, title[512] = {};
    GetClassNameW(window, className, 256);
    GetWindowTextW(window, title, 512);
    Out(std::to_wstring(owner) + L"\t" + className + L"\t" + title + L"\t" + (IsWindowVisible(window) ? L"1" : L"0"));
    return TRUE;
}

int Windows(const Args& args) {
    if (!args.empty()) return Usage();
    EnumWindows(ListWindow, 0);
    return 0;
}

template <class Visit>
void ForEachProcess(Visit visit) {
    KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.Valid()) return;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL ok = Process32FirstW(snapshot.Get(), &entry); ok; ok = Process32NextW(snapshot.Get(), &entry)) {
        visit(entry);
    }
}

int Procs(const Args& args) {
    if (!args.empty()) return Usage();
    ForEachProcess([](const PROCESSENTRY32W& entry) { Out(std::to_wstring(entry.th32ProcessID) + L"\t" + entry.szExeFile); });
    return 0;
}

int Kill(const Args& args) {
    if (args.empty()) return Usage();
    DWORD self = GetCurrentProcessId();
    int count = 0;
    ForEachProcess([&](const PROCESSENTRY32W& entry) {
        bool named = false;
        for (const auto& name : args) named = named || EqualNoCase(entry.szExeFile, name);
        if (entry.th32ProcessID == self || !named) return;
        KernelHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (!process.Valid()) return;
        if (TerminateProcess(process.Get(), 1)) ++count;
        WaitForSingleObject(process.Get(), 5000);
    });
    Out(L"killed " + std::to_wstring(count));
    return 0;
}

// Polls until done() holds or the timeout passes; true when it held.
template <class Done>
bool WaitUntil(DWORD timeout, Done done) {
    ULONGLONG start = GetTickCount64();
    do {
        if (done()) return true;
        Sleep(20);
    } while (GetTickCount64() - start < timeout);
    return false;
}

int WaitWindow(const Args& args) {
    if (args.size() != 3) return Usage();
    const wchar_t* className = args[0] == L"-" ? nullptr : args[0].c_str();
    DWORD timeout = wcstoul(args[2].c_str(), nullptr, 10);
    if (WaitUntil(timeout, [&] { return FindWindowW(className, args[1].c_str()) != nullptr; })) return 0;
    return Fail(L"no window " + args[1], ERROR_TIMEOUT);
}

int CountProcesses(const std::wstring& exe) {
    int count = 0;
    ForEachProcess([&](const PROCESSENTRY32W& entry) { count += EqualNoCase(entry.szExeFile, exe) ? 1 : 0; });
    return count;
}

int WaitProcs(const Args& args) {
    if (args.size() != 3) return Usage();
    int wanted = _wtoi(args[1].c_str());
    DWORD timeout = wcstoul(args[2].c_str(), nullptr, 10);
    if (WaitUntil(timeout, [&] { return CountProcesses(args[0]) >= wanted; })) return 0;
    return Fail(L"fewer than " + args[1] + L" of " + args[0], ERROR_TIMEOUT);
}

int WaitGone(const Args& args) {
    if (args.size() != 2) return Usage();
    DWORD timeout = wcstoul(args[1].c_str(), nullptr, 10);
    if (WaitUntil(timeout, [&] { return CountProcesses(args[0]) == 0; })) return 0;
    return Fail(L"still running: " + args[0], ERROR_TIMEOUT);
}

struct CloseRequest {
    const wchar_t* className;
    const wchar_t* title;
    int count;
};

BOOL CALLBACK CloseMatching(HWND window, LPARAM param) {
    CloseRequest* request = reinterpret_cast<CloseRequest*>(param);
    wchar_t className[256] = {}, title[512] = {};
    GetClassNameW(window, className, 256);
    GetWindowTextW(window, title, 512);
    if (std::wcscmp(title, request->title) == 0 && (request->className == nullptr || _wcsicmp(className, request->className) == 0)) {
        if (PostMessageW(window, WM_CLOSE, 0, 0)) ++request->count;
    }
    return TRUE;
}

int Close(const Args& args) {
    if (args.empty() || args.size() % 2 != 0) return Usage();
    int count = 0;
    for (size_t i = 0; i < args.size(); i += 2) {
        CloseRequest request = {args[i] == L"-" ? nullptr : args[i].c_str(), args[i + 1].c_str(), 0};
        EnumWindows(CloseMatching, reinterpret_cast<LPARAM>(&request));
        count += request.count;
    }
    Out(L"closed " + std::to_wstring(count));
    return 0;
}

// Names a failure on standard error; the empty text of a state that cannot be read.
std::wstring NoState(const std::wstring& what, DWORD error) {
    Fail(what, error);
    return std::wstring();
}

// The state of a service as svc prints it, or an empty text when it cannot be read.
std::wstring ServiceState(const std::wstring& name) {
    ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager.Valid()) return NoState(L"service manager", GetLastError());
    ServiceHandle service(OpenServiceW(manager.Get(), name.c_str(), SERVICE_QUERY_STATUS));
    if (!service.Valid()) {
        DWORD error = GetLastError();
        if (error != ERROR_SERVICE_DOES_NOT_EXIST) return NoState(L"open " + name, error);
        return L"missing";
    }
    SERVICE_STATUS status = {};
    if (!QueryServiceStatus(service.Get(), &status)) return NoState(L"status of " + name, GetLastError());
    static const wchar_t* const kStates[] = {L"unknown", L"stopped", L"start_pending", L"stop_pending",
                                             L"running", L"continue_pending", L"pause_pending", L"paused"};
    return status.dwCurrentState < 8 ? kStates[status.dwCurrentState] : L"unknown";
}

int Svc(const Args& args) {
    if (args.empty()) return Usage();
    for (const std::wstring& name : args) {
        std::wstring state = ServiceState(name);
        if (state.empty()) return 1;
        Out(state);
    }
    return 0;
}

int SvcStart(const Args& args) {
    if (args.size() < 2) return Usage();
    ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    ServiceHandle service(manager.Valid() ? OpenServiceW(manager.Get(), args[0].c_str(), SERVICE_START) : nullptr);
    std::vector<LPCWSTR> arguments;
    for (size_t i = 1; i < args.size(); ++i) arguments.push_back(args[i].c_str());
    if (!service.Valid() || !StartServiceW(service.Get(), static_cast<DWORD>(arguments.size()), arguments.data())) {
        return Fail(L"start " + args[0], GetLastError());
    }
    Out(L"started");
    return 0;
}

int WaitSvc(const Args& args) {
    if (args.size() != 3) return Usage();
    DWORD timeout = wcstoul(args[2].c_str(), nullptr, 10);
    std::wstring state;
    bool reached = WaitUntil(timeout, [&] {
        state = ServiceState(args[0]);
        return state == args[1];
    });
    Out(state);
    return reached ? 0 : 1;
}

struct Command {
    const wchar_t* name;
    int (*run)(const Args&);
};

const Command kCommands[] = {
    {L"launch", Launch},
    {L"drives", Drives},
    {L"winedrives", WineDrives},
    {L"regset32", [](const Args& a) { return RegSet(KEY_WOW64_32KEY, a); }},
    {L"regset64", [](const Args& a) { return RegSet(KEY_WOW64_64KEY, a); }},
    {L"regdel32", [](const Args& a) { return RegDel(KEY_WOW64_32KEY, a); }},
    {L"regdel64", [](const Args& a) { return RegDel(KEY_WOW64_64KEY, a); }},
    {L"regdump32", [](const Args& a) { return RegDump(KEY_WOW64_32KEY, a); }},
    {L"regdump64", [](const Args& a) { return RegDump(KEY_WOW64_64KEY, a); }},
    {L"regimport32", [](const Args& a) { return RegImport(KEY_WOW64_32KEY, a); }},
    {L"tree", Tree},
    {L"setattr", SetAttr},
    {L"mutex", Mutex},
    {L"folder", Folder},
    {L"windows", Windows},
    {L"procs", Procs},
    {L"kill", Kill},
    {L"waitwindow", WaitWindow},
    {L"waitprocs", WaitProcs},
    {L"waitgone", WaitGone},
    {L"close", Close},
    {L"svc", Svc},
    {L"svcstart", SvcStart},
    {L"waitsvc", WaitSvc},
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return Usage();
    Args args(argv + 2, argv + argc);
    for (const auto& command : kCommands) {
        if (std::wcscmp(argv[1], command.name) == 0) return command.run(args);
    }
    return Usage();
}
