#include "check/usage/usage_text.h"

#include "movendo_version.h"

namespace {

constexpr size_t kLineWidth = 79;

}  // namespace

std::wstring CheckVersionLine() { return L"MovendoCheck " MOVENDO_VERSION_TEXT; }

std::wstring Wrap(const std::wstring& first, const std::wstring& rest, const std::wstring& text) {
    std::wstring out;
    std::wstring line = first;
    bool empty = true;  // no word on the line yet
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find(L' ', at);
        if (end == std::wstring::npos) end = text.size();
        std::wstring word = text.substr(at, end - at);
        at = end + 1;
        if (word.empty()) continue;
        if (!empty && line.size() + 1 + word.size() > kLineWidth) {
            out += line + L"\n";
            line = rest;
            empty = true;
        }
        line += (empty ? L"" : L" ") + word;
        empty = false;
    }
    return out + line + L"\n";
}

std::wstring CheckUsage() {
    std::wstring out = CheckVersionLine() + L"\n";
    out += L"MovendoCheck [/verify] [/preview] [/json]\nMovendoCheck /confirm PLAN [/json]\n";
    out += Wrap(L"  ", L"  ", kCheckPurpose);
    for (const UsageEntry& command : kCheckCommands) {
        out += Wrap(L"  " + std::wstring(command.name) + L": ", L"      ", command.text);
    }
    out += L"Exit codes, and what to do next:\n";
    for (const ExitCodeText& exit : kCheckExitCodes) {
        out += Wrap(L"  " + std::to_wstring(exit.code) + L"  ", L"     ", exit.meaning);
        out += Wrap(L"     next: ", L"     ", exit.next);
    }
    out += L"The sequence:\n";
    int step = 0;
    for (const UsageEntry& entry : kTechnicianSequence) {
        out += L"  " + std::to_wstring(++step) + L". " + entry.name + L"\n";
        if (*entry.text) out += Wrap(L"     ", L"     ", entry.text);
    }
    return out;
}
