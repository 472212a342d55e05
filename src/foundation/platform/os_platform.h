#pragma once
// The desktop and system services that start other programs or change the machine's state:
// opening documents, showing folders in the file manager, the trash and powering off.
// os_utils reaches them only through os_services, so tests install a recording replacement
// (OsServices_Set) and nothing real is ever started by them.
#include <string>
#include <vector>

class os_services {
 public:
  virtual ~os_services() = default;
  // Opens a document, folder or address with the desktop's default handler; no waiting.
  virtual bool OpenDocument(const std::string& target) = 0;
  // Starts a program with arguments in a working folder (empty: the current one); no waiting.
  virtual bool RunProgram(const std::string& program, const std::vector<std::string>& args,
                          const std::string& folder) = 0;
  // Shows a folder in the file manager.
  virtual void ShowFolder(const std::string& folder) = 0;
  // Shows the folder of an existing file or folder with that entry selected.
  virtual void ShowItem(const std::string& path) = 0;
  // Moves a file or folder into the user's trash; true when it is there.
  virtual bool MoveToTrash(const std::string& path) = 0;
  // Turns the computer off; failures are ignored.
  virtual void PowerOff() = 0;
};

// The services in use: the system's own unless a replacement was installed.
os_services& OsServices();
// Installs a replacement (not owned); nullptr restores the system's services.
void OsServices_Set(os_services* services);

// How the system services start programs. Replaceable as well, so the argument lists the
// system services build are testable without starting a file manager or a power-off.
class os_launcher {
 public:
  virtual ~os_launcher() = default;
  // Starts argv[0] (searched on PATH when it has no "/") detached from this process, with
  // its standard streams on /dev/null; true when the program could be executed.
  virtual bool StartDetached(const std::vector<std::string>& argv, const std::string& folder) = 0;
  // Runs argv and waits at most timeout_ms; its exit status, or -1 when it could not be
  // started, was killed by a signal or took too long (it is killed then).
  virtual int RunAndWait(const std::vector<std::string>& argv, int timeout_ms) = 0;
};

// The launcher that really starts programs (fork, new session, exec).
os_launcher& OsLauncher_System();

// The Linux implementation: xdg-open, the org.freedesktop.FileManager1 D-Bus interface (through
// gdbus or dbus-send) with xdg-open on the folder as the fallback, the freedesktop home trash
// and `systemctl poweroff`.
class system_os_services final : public os_services {
 public:
  explicit system_os_services(os_launcher& launcher) : launcher_(launcher) {}
  bool OpenDocument(const std::string& target) override;
  bool RunProgram(const std::string& program, const std::vector<std::string>& args,
                  const std::string& folder) override;
  void ShowFolder(const std::string& folder) override;
  void ShowItem(const std::string& path) override;
  bool MoveToTrash(const std::string& path) override;
  void PowerOff() override;

 private:
  bool CallFileManager(const char* method, const std::string& path);
  os_launcher& launcher_;
};

// "file://" address of an absolute path, every byte outside the unreserved set and "/"
// percent-encoded.
std::string Platform_FileUri(const std::string& path);
// The first executable file named `name` in the PATH folders (name itself when it has a "/");
// empty when there is none.
std::string Platform_FindProgram(const std::string& name);
// Moves `path` into the freedesktop trash whose home is data_home + "/Trash" (data_home is
// $XDG_DATA_HOME or ~/.local/share); an entry on another file system goes to the
// "$topdir/.Trash-$uid" trash of its mount. True when the entry and its .trashinfo are there.
bool Platform_Trash(const std::string& path, const std::string& data_home);
// $XDG_DATA_HOME when absolute, else $HOME/.local/share.
std::string Platform_DataHome();
// $HOME, else the password database's home folder; no trailing "/".
std::string Platform_Home();
