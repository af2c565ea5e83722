// The deletions that end a restore.
#pragma once

// Deletes "HDD.dat" and "VideoFolder.dat" from the top of the suite data folder.
void DeleteHddAndVideoFolderFiles();
