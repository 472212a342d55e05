#pragma once
// Files, folders, special folders, the shell, the command line and shutting down, as small
// operations on UTF-8 path strings that report failures through their results. Folder
// results end with "/" unless they are empty. Everything that starts another program or
// powers off goes through os_services (foundation/platform/os_platform.h).
#include <cstdint>
#include <string>
#include <string_view>

// Largest file File_Load reads is one byte below this.
inline constexpr std::int64_t kFileLoadLimit = 64 * 1024 * 1024;

// Files

// The whole file when it holds 1 .. kFileLoadLimit-1 bytes; otherwise, or when it cannot be
// read completely, empty. A missing file gives empty. With handle_errors clear, a read
// failure raises instead of being reported.
std::string File_Load(const std::string& path, bool handle_errors = true);
// A non-empty text is written with File_SaveBuf; an empty text deletes the file instead and
// the result tells whether that succeeded.
bool File_Save(const std::string& path, std::string_view text, bool handle_errors = true);
// Writes the bytes to a temporary file beside `path`, flushes it to disk and renames it over
// the old file (a read-only old file is replaced too; its permissions are kept, made
// writable for the owner). On any failure the old file is left untouched and the temporary
// file removed. Creates missing folders first. A length of 0 or less writes nothing: false.
bool File_SaveBuf(const std::string& path, const void* data, std::int64_t length,
                  bool handle_errors = true);
// Size in bytes of a regular file; 0 when it cannot be determined.
std::int64_t File_Size(const std::string& path);
// Replaces the extension of the last path part (a leading "." of a name is no extension);
// a non-empty extension without a leading "." gets one.
std::string File_ChangeExt(const std::string& path, std::string_view ext);
// `path` when nothing of that name exists; otherwise the first free of base_2.ext, base_3.ext, ...
// (files, folders and links all count as taken).
std::string File_UniqueName(const std::string& path);
// Deletes a file or folder (a folder with its contents): permanently, or into the user's
// trash. A path that is empty after trimming gives true without any action.
bool File_Recycle(const std::string& path, bool permanent);
// Whether any byte is 128 or above.
bool Str_HasNonAscii(std::string_view text);
// Paths reach child programs as bytes in argv, so the short and the safe form are the path.
std::string Path_Short(const std::string& path);
std::string Path_Safe(const std::string& path);

// Folders

bool Folder_Exists(const std::string& path);
// True when the folder exists or every missing level could be created.
bool Folder_Force(const std::string& path);
// "/" for a path that begins with "/" (after trimming), else empty.
std::string Path_Root(const std::string& path);
// The folder above the path, ending with "/" ("/a/b/" and "/a/b" give "/a/"); empty without a
// root; of the root itself: the root when keep_root is set, else empty.
std::string Path_Parent(const std::string& path, bool keep_root);
// The path when it is an existing folder, else the nearest existing parent, else the documents
// folder.
std::string Folder_Existing(const std::string& path);
// The first non-empty of preferred, fallback and the documents folder, with "/" appended;
// when missing it is created (create set) or replaced by its nearest existing ancestor;
// empty when the result still does not exist.
std::string Folder_Resolve(const std::string& preferred, const std::string& fallback, bool create);

// Special folders and the program's own location

inline constexpr int kFolderDocuments = 5;
inline constexpr int kFolderAppData = 26;
// kFolderDocuments: XDG_DOCUMENTS_DIR of user-dirs.dirs, else ~/Documents when it exists,
// else the home folder. kFolderAppData: $XDG_CONFIG_HOME, else ~/.config. Other codes: empty.
std::string SysFolder_Shell(int code);
std::string SysFolder_Documents();
std::string SysFolder_AppData();
// The running executable (/proc/self/exe), else command-line element 0.
std::string Program_Path();
std::string Program_Folder();

// Shell and file manager

// With parameters: starts `file` as a program with the parameters split into arguments
// (quotes group, as on the encoder's command line); without: opens it with its default
// handler. No waiting; `minimized` is a wish the desktop may ignore.
bool Shell_Run(const std::string& file, const std::string& parameters, const std::string& folder,
               bool minimized);
// Opens a document, folder or address with its default handler; false for an empty text.
bool Shell_Open(const std::string& file);
void Explorer_Open(const std::string& folder);
// Shows the entry selected in its folder; for a path that no longer exists, opens its folder.
void Explorer_Select(const std::string& path);
// A symbolic link gives its final target (also when that is missing); any other path itself.
std::string Shortcut_Resolve(const std::string& path);

// Command line and shutdown

// Copies the command line (element 0 is the program) for Param_Get; main() calls it first.
// Without it, the list is read from /proc/self/cmdline on first use.
void Param_Init(int argc, const char* const* argv);
int Param_Count();
// Parameter `index`: an option "/name", "/name=value", "/name = \"quoted value\"" gives its
// key and value; anything else (file names, also absolute ones) gives an empty key and the
// whole parameter as value. False for an index outside the list.
bool Param_Get(int index, std::string& key, std::string& value);
// Powers the computer off through os_services; failures are ignored.
void System_Shutdown();
