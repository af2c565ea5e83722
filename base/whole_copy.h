// A file copy between two held folders that never leaves a partial file in place of the
// destination, never reads or writes through a link or a second name of a file, and keeps the
// rights of the file it replaces.
#pragma once

#include "base/held_folder.h"

// True when nothing of that name exists where the path leads (its folder does): the platform
// says "file not found". Any other answer, a link of that name included, is not missing.
bool FileMissing(LPCWSTR path);

// The name under which a copy is made before it takes the destination's name.
extern LPCWSTR const kPartialCopySuffix;  // L".mvpart"

// True for a name that ends in ".mvpart" (in any letter case): a copy that is not complete yet, or
// that a run ended before completing. Such files are never carried.
bool IsPartFileName(LPCWSTR name);

// Deletes a file of a workspace by its path; a read-only one loses that attribute first. Never
// given a link. True when it is gone.
bool RemoveFile(LPCWSTR path);

// The part name of a destination: its path followed by ".mvpart", or, when that would not fit a
// path buffer, its path with the last characters of its name replaced by ".mvpart" (same length).
// False only for a name shorter than the suffix in a folder where the suffix does not fit.
bool FormatPartPath(LPCWSTR to, WCHAR (&part)[MAX_PATH]);
// The same for the name of an entry of a held folder: the part's name in that folder.
bool FormatPartName(const HeldFolder& folder, LPCWSTR name, WCHAR (&part)[MAX_PATH]);

// What a copy of one file does, judged before anything is written.
enum class CopyVerdict {
    Copy,                   // the destination is missing, or a plain file that is replaced
    Unchanged,              // the copy keeps a destination of the same size, last-write time and attributes
    SourceUnreadable,       // the source cannot be opened for reading (held open by a program, denied, gone)
    SourceRedirected,       // the source is not where its path says, or is a link after all
    SourceHardLink,         // the source has more than one name: never read
    DestinationFolder,      // a folder has the file's name
    DestinationLink,        // a link has the file's name (or the destination is not where its path says)
    DestinationHardLink,    // the destination has more than one name: never written through nor changed
    DestinationHeld,        // the destination is open in a program that does not share its deletion
    DestinationUnreadable,  // the destination exists but cannot be opened to be judged
    NoPartName,             // no part name fits beside the destination
};

// True for the verdicts under which the copy is made (or kept, as it is already there).
bool CopyLands(CopyVerdict verdict);

// One file judged for a copy: the source open for reading (the copy reads it through that
// handle), and the destination file it replaces, open on itself.
struct FileCopy {
    CopyVerdict verdict = CopyVerdict::SourceUnreadable;
    OpenedEntry source;
    OpenedEntry destination;  // open when the copy replaces a file
};

// Judges the copy of the file `name` from a held folder to another (none: the destination folder
// does not exist yet). `source` and `destination` are the listings' entries of that name (the
// destination's is null when it has none). With keepUnchanged, a destination whose listing gives
// the source's size, last-write time and attributes is kept without opening either file.
CopyVerdict JudgeFileCopy(const HeldFolder& from, const HeldFolder* to, LPCWSTR name, const WIN32_FIND_DATAW* source,
                          const WIN32_FIND_DATAW* destination, bool keepUnchanged, FileCopy& copy);

// Makes a copy that JudgeFileCopy found to be made (Copy), or whose destination a program holds
// for a moment (DestinationHeld: judged again while the wait for files in use lasts, as a
// replacement refused while a program holds the destination open is tried again): the source's
// bytes go into a new part file beside the destination (a part file left by an earlier run is
// removed first), which takes the replaced file's DACL and then its name, by handle; only then
// does it take the source's attributes and last-write time. A read-only destination loses that attribute just before it is
// replaced (and gets it back when the replacement fails). Whatever fails, the destination is
// either the complete copy or as it was, and no part file is left. True when the copy is in place.
bool CopyFileWhole(FileCopy& copy, const HeldFolder& to, LPCWSTR name);
