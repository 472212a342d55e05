#pragma once
// Output and temporary files of a conversion, placed so that nothing already on disk is ever
// replaced.
#include <set>
#include <string>

// path when neither a file nor a folder of that name exists, else base_2.ext, base_3.ext, ...
// (the first free one); names in `also_taken` count as taken too.
std::string Output_UniqueName(const std::string& path,
                              const std::set<std::string>* also_taken = nullptr);

// Creates an empty file under the first free name of `path` (numbered like Output_UniqueName),
// atomically, so two conversions never share a temporary file; returns it, or empty.
std::string Output_ReserveTemp(const std::string& path);

// Moves `temp` to `target` without replacing anything: when `target` (or a later number) is
// taken, even by a file that appeared a moment ago, the next free number is used. Returns the
// final path, or empty when the move failed (temp then stays where it is).
std::string Output_MoveNoReplace(const std::string& temp, const std::string& target);

// Removes a file; true when it is gone.
bool Output_Remove(const std::string& path);
