// A file copy that never leaves a partial file in place of the destination.
#pragma once

#include "platform/platform.h"

// True when nothing of that name exists where the path leads (its folder does): the platform
// says "file not found". Any other answer, a link of that name included, is not missing.
bool FileMissing(LPCWSTR path);

// The name under which a copy over an existing file is made before it replaces that file.
extern LPCWSTR const kPartialCopySuffix;  // L".mvpart"

// Copies a file with CopyFileW so that, whatever fails, the destination ends either as a complete
// copy of the source or as it was before the call:
// - a destination that does not exist is copied to directly; when the copy fails, whatever it left
//   at the destination (a failing copy may leave part of the file) is deleted;
// - a destination that exists is replaced only by a complete copy: the source is copied to the
//   destination's name followed by ".mvpart" in the same folder (never over an existing file of
//   that name) and then renamed over the destination; when either step fails, the partial copy is
//   deleted and the destination keeps its earlier content.
// When that second name would not fit a path buffer, or a file of that name is in the way, the
// copy goes straight over the destination, as CopyFileW alone does. True when the copy was made.
bool CopyFileWhole(LPCWSTR from, LPCWSTR to);
