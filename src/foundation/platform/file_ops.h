#pragma once
// File-system primitives that a plain rename or std::filesystem cannot give: creating a name
// only when it is free, and moving a file without ever replacing another one.
#include <string>

// True when anything (file, folder, link, even a dangling one) has this name.
bool Platform_PathTaken(const std::string& path);

// Creates an empty file only when the name is free; 0 on success, else the errno value
// (EEXIST when the name is taken).
int Platform_CreateExclusive(const std::string& path);

// Moves `from` to `to` without replacing: renameat2(RENAME_NOREPLACE), else a hard link, else
// claiming the name first. 0 on success, else the errno value (EEXIST when `to` exists).
int Platform_RenameNoReplace(const std::string& from, const std::string& to);

// Removes a file; a missing file counts as removed.
bool Platform_RemoveFile(const std::string& path);
