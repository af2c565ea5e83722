// A file copy that never leaves a partial file in place of the destination.
#pragma once

#include "platform/platform.h"

// True when nothing of that name exists where the path leads (its folder does): the platform
// says "file not found". Any other answer, a link of that name included, is not missing.
bool FileMissing(LPCWSTR path);

// The name under which a copy over an existing file is made before it replaces that file.
extern LPCWSTR const kPartialCopySuffix;  // L".mvpart"

// True for a name that ends in ".mvpart" (in any letter case): a copy that is not complete yet, or
// that a run ended before completing. Such files are never carried.
bool IsPartFileName(LPCWSTR name);

// Deletes a file; a read-only one loses that attribute first. Never given a link. True when it is gone.
bool RemoveFile(LPCWSTR path);

// The part name of a destination: its path followed by ".mvpart", or, when that would not fit a
// path buffer, its path with the last characters of its name replaced by ".mvpart" (same length).
// False only for a name shorter than the suffix in a folder where the suffix does not fit.
bool FormatPartPath(LPCWSTR to, WCHAR (&part)[MAX_PATH]);

// Copies a file with CopyFileW so that, whatever fails, the destination ends either as a complete
// copy of the source or as it was before the call:
// - a destination that does not exist is copied to directly; when the copy fails, whatever it left
//   at the destination (a failing copy may leave part of the file) is deleted;
// - a destination that exists is replaced only by a complete copy: the source is copied to the
//   destination's part name in the same folder (a part file left there by an earlier run is
//   removed first) and then renamed over the destination; when either step fails, the partial
//   copy is deleted and the destination keeps its earlier content. When no part name can be had
//   the destination is left as it was. True when the copy was made.
bool CopyFileWhole(LPCWSTR from, LPCWSTR to);
