// Writes the technician's guide that travels beside the programs: plain text with CRLF line ends,
// as Notepad reads it. What MovendoCheck /? also says comes from the same texts
// (check/usage/usage_text.h); the rest is the guide's own. A program of the build machine:
// movendo_guide FILE.
#include <cstdio>
#include <iterator>
#include <string>

#include "check/usage/usage_text.h"
#include "movendo_version.h"

namespace {

constexpr const wchar_t* kIntroduction[] = {
    L"Movendo.exe carries the settings of the Tamrix suite \"Mirovane\" and its companions across a reinstallation of "
    L"Windows. It shows nothing and reports nothing; MovendoCheck.exe tells whether its backup is complete, what a "
    L"restore will change, and whether everything came back.",
    L"Run both from a console started with \"Run as administrator\".",
};

constexpr const wchar_t* kWorkspaces[] = {
    L"Movendo.exe /get writes the backup twice, into the folders mvtempbk and then mvtemp, in the root of the first "
    L"drive other than C: that is fixed or removable (A: to Z:); a workspace that already exists on any drive is "
    L"used first. Keep that drive connected, and never wipe it. A drive whose paths do not read back as its own (a "
    L"SUBST letter, some virtual disks) is passed over.",
    L"Only one drive should hold mvtemp and mvtempbk: the program takes the first drive that holds each, even when "
    L"another drive holds a newer one. MovendoCheck names every workspace on every drive and the newer one; keep the "
    L"one to restore and move the other out of its drive's root.",
    L"Only administrators can read or change a workspace that Movendo.exe made.",
    L"Movendo.exe /set restores from mvtemp, then from mvtempbk, and deletes each workspace once everything it "
    L"carried has landed. A workspace that /set kept holds what did not land: MovendoCheck /confirm names it. Mend "
    L"the cause (a program holding a file open, a missing folder), run Movendo.exe /set again, which restores from "
    L"it, and confirm again. Do not delete it by hand before /confirm exits 0.",
};

constexpr UsageEntry kRefusals[] = {
    {L"Untrusted workspaces:", L"a workspace that another account owns is not used by /get, and one that others than "
                               L"administrators can change is neither read nor deleted by /set. Check what it holds with "
                               L"MovendoCheck, then give it the protected permissions or delete it."},
    {L"Links:", L"a junction or symbolic link is never followed, read or written through, so it cannot steer the "
                L"elevated program elsewhere; MovendoCheck names each one."},
    {L"Second names:", L"a file with more than one name (a hard link) is neither saved nor replaced, since its content "
                       L"belongs to every name."},
    {L"Over-long paths:", L"a path longer than 259 characters is skipped, never cut, a folder with all it holds."},
    {L"Names ending in a dot or a blank:", L"such a file or folder cannot be named by a path, so it is passed over."},
};

constexpr const wchar_t* kChecksums =
    L"SHA256SUMS holds the SHA-256 of every other file of this folder. On Windows compare each with "
    L"\"certutil -hashfile Movendo.exe SHA256\"; elsewhere run \"sha256sum -c SHA256SUMS\".";

std::wstring Heading(const std::wstring& title) { return L"\n" + title + L"\n" + std::wstring(title.size(), L'-') + L"\n"; }

std::wstring Paragraphs(const wchar_t* const* texts, size_t count) {
    std::wstring out;
    for (size_t i = 0; i < count; ++i) out += (i ? L"\n" : L"") + Wrap(L"", L"", texts[i]);
    return out;
}

std::wstring Guide() {
    std::wstring title = L"Movendo " MOVENDO_VERSION_TEXT L": the technician's guide";
    std::wstring out = title + L"\n" + std::wstring(title.size(), L'=') + L"\n\n";
    out += Paragraphs(kIntroduction, std::size(kIntroduction));
    out += Heading(L"The sequence");
    int step = 0;
    for (const UsageEntry& entry : kTechnicianSequence) {
        out += std::to_wstring(++step) + L". " + entry.name + L"\n";
        if (*entry.text) out += Wrap(L"   ", L"   ", entry.text);
    }
    out += Heading(L"What MovendoCheck's exit codes mean, and what to do next");
    for (const ExitCodeText& exit : kCheckExitCodes) {
        out += Wrap(std::to_wstring(exit.code) + L"  ", L"   ", exit.meaning);
        out += Wrap(L"   Next: ", L"   ", exit.next);
    }
    out += Heading(L"MovendoCheck's commands") + Wrap(L"", L"", kCheckPurpose);
    for (const UsageEntry& command : kCheckCommands) out += Wrap(std::wstring(command.name) + L": ", L"   ", command.text);
    out += Heading(L"Where the workspaces are") + Paragraphs(kWorkspaces, std::size(kWorkspaces));
    out += Heading(L"What the programs refuse, and why");
    for (const UsageEntry& refusal : kRefusals) out += Wrap(std::wstring(refusal.name) + L" ", L"   ", refusal.text);
    return out + Heading(L"Checking the files") + Wrap(L"", L"", kChecksums);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: movendo_guide FILE\n");
        return 2;
    }
    std::string text;
    for (wchar_t c : Guide()) {
        if (c > 0x7E) return std::fprintf(stderr, "movendo_guide: the guide must be ASCII\n"), 1;
        if (c == L'\n') text += '\r';
        text += static_cast<char>(c);
    }
    std::FILE* file = std::fopen(argv[1], "wb");
    bool written = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (file && std::fclose(file) != 0) written = false;
    if (!written) std::fprintf(stderr, "movendo_guide: cannot write %s\n", argv[1]);
    return written ? 0 : 1;
}
