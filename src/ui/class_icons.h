#pragma once

// The class icons: finding and loading the companion library libOrvexa.so, the one list of
// 16 x 16 icons (IL2) cut from its bitmap, and the look-up of a class's icon.

#include "platform/companion/companion_api.h"
#include "shell/program_files.h" // ProgramDirectory

#include <QIcon>
#include <QImage>
#include <QList>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tarnbeck {

inline constexpr const char *kCompanionFileName = "libOrvexa.so";
// Shown by the start-up code when LoadCompanionLibrary finds nothing.
inline constexpr const char *kMissingCompanionMessage = "Error: can't find libOrvexa.so";
// The icon a class without its own icon gets.
inline constexpr const char *kFallbackIconName = "Unknown2";
inline constexpr const char *kTraceFileName = "testnoc.log";
// Reported like a library error when the library's bitmap cannot be read as 16-pixel icons.
inline constexpr int kUnreadableIconStrip = -1;

// One loaded companion library; unloaded when the object goes.
class CompanionLibrary {
  public:
    ~CompanionLibrary();
    CompanionLibrary(const CompanionLibrary &) = delete;
    CompanionLibrary &operator=(const CompanionLibrary &) = delete;

    // Loads `file` and resolves its entry points; none when it cannot be loaded or lacks one
    // of the entry points the program calls.
    static std::unique_ptr<CompanionLibrary> open(const std::string &file);

    int version() const { return version_(); }
    void setPath(const std::string &dir) const { setPath_(dir.c_str()); }
    // The library's bitmap file; 0 on success, else the library's error number.
    int iconsImage(QByteArray &bmp) const;
    int iconCount() const { return getIcons_(); }
    int iconIndex(const std::string &name) const { return getNrIcon_(name.c_str()); }
    // A value of the library's key/value store (interface version 2 and later).
    std::optional<std::string> value(const std::string &key) const;

  private:
    explicit CompanionLibrary(void *handle) : handle_(handle) {}

    void *handle_;
    TbVersionFn version_ = nullptr;
    TbSubversionFn subversion_ = nullptr;
    TbSetPathFn setPath_ = nullptr;
    TbGetIconsImageFn getIconsImage_ = nullptr;
    TbGetIconsFn getIcons_ = nullptr;
    TbGetIconNameFn getIconName_ = nullptr;
    TbGetNrIconFn getNrIcon_ = nullptr;
    TbSetValueFn setValue_ = nullptr;
    TbGetValueFn getValue_ = nullptr;
};

// Looks for libOrvexa.so next to the program, then in the sibling "libs" directory
// (/opt/x/bin/ -> /opt/x/libs/), loads it and hands it the directory it was found in, with a
// trailing "/". None when it is in neither place or cannot be loaded.
std::unique_ptr<CompanionLibrary> LoadCompanionLibrary(const std::string &programDir);
std::unique_ptr<CompanionLibrary> LoadCompanionLibrary();

// Makes `library` the one the icon functions below use, for the rest of the process (or until
// replaced); it is unloaded when the process ends.
void UseCompanionLibrary(std::unique_ptr<CompanionLibrary> library);

// Appends `message` and CR LF to the trace file in the current directory. On failure the
// administrator is told and false comes back.
bool TraceLog(const std::string &message);

// Fills IL2 and the special icons from the library; only the first successful call in the
// process does anything. A library error is shown as "Error....." and the number, then the
// process ends.
void InitIcons();

// How InitIcons ends the process; replaceable so the path can be tested.
void SetProcessEnd(std::function<void(int exitCode)> endProcess);

// The class icons, image i being the library's icon i.
const QList<QImage> &IL2();
// IL2 image `index` as an icon; a null icon for a negative or unknown index.
QIcon ClassIcon(int index);

struct SpecialIconSet {
    int user = -1;
    int person = -1;
    int organizationalPerson = -1;
    bool contains(int icon) const {
        return icon >= 0 && (icon == user || icon == person || icon == organizationalPerson);
    }
};
const SpecialIconSet &SpecialIcons();

// The library's icon for `name`; negative when it has none (or no library is in use).
int IconIndexByName(const std::string &name);
// The icon of a class, else the "Unknown2" icon; negative when the library knows neither.
int ClassIconIndex(const std::string &className);

// Forgets icons, special icons and the initialised flag (for tests).
void ResetIconsForTesting();

} // namespace tarnbeck
