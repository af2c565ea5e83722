// The progress of a long check on the console, in the manner of the platform's own checkers: one
// line that a count rewrites ("\r"), cleared before the report is printed. It shows only when the
// standard output is a console and the report is text: nothing of it reaches a redirected output
// or a JSON document.
#pragma once

// Starts counting; shows the line only when `shown` and the standard output is a console.
void StartProgress(bool shown);
// One more item (a value, a file, a key) compared.
void TickProgress();
// Clears the line, so that the report starts where the line stood.
void EndProgress();
