#include "ui/class_icons.h"

#include "directory/prompter.h"

#include <QCoreApplication>
#include <QPixmap>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace tarnbeck {
namespace {

constexpr int kIconSize = 16;

template <typename Fn> Fn resolve(void *handle, const char *name) {
    return reinterpret_cast<Fn>(dlsym(handle, name));
}

int appendToByteArray(void *opaque, const void *data, size_t len) {
    static_cast<QByteArray *>(opaque)->append(static_cast<const char *>(data), qsizetype(len));
    return 0;
}

std::string withTrailingSlash(std::string dir) {
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

// Where the library should be: next to the program, else the sibling "libs" directory.
std::string companionDirectory(const std::string &programDir) {
    namespace fs = std::filesystem;
    const std::string beside = withTrailingSlash(programDir);
    std::error_code ec;
    if (fs::exists(beside + kCompanionFileName, ec))
        return beside;
    fs::path program(programDir);
    if (!program.has_filename()) // "/opt/x/bin/"
        program = program.parent_path();
    return withTrailingSlash(program.parent_path().string()) + "libs/";
}

struct IconState {
    std::unique_ptr<CompanionLibrary> library;
    QList<QImage> images;
    SpecialIconSet special;
    bool initialised = false;
    std::function<void(int)> endProcess = [](int code) { std::exit(code); };
};

IconState &state() {
    static IconState icons;
    return icons;
}

// Cuts the library's bitmap into 16 x 16 images, left to right.
bool cutStrip(const QByteArray &bmp, QList<QImage> &images) {
    QImage strip;
    if (!strip.loadFromData(bmp, "BMP") || strip.height() < kIconSize || strip.width() < kIconSize)
        return false;
    strip = strip.convertToFormat(QImage::Format_RGB32);
    images.clear();
    for (int x = 0; x + kIconSize <= strip.width(); x += kIconSize)
        images.append(strip.copy(x, 0, kIconSize, kIconSize));
    return true;
}

// Closes a file on every way out.
struct FileDescriptor {
    explicit FileDescriptor(int descriptor) : fd(descriptor) {}
    ~FileDescriptor() {
        if (fd >= 0)
            ::close(fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int fd;
};

void failInit(int number) {
    prompter().message("Error....." + std::to_string(number));
    state().endProcess(1);
}

} // namespace

CompanionLibrary::~CompanionLibrary() {
    dlclose(handle_);
}

std::unique_ptr<CompanionLibrary> CompanionLibrary::open(const std::string &file) {
    void *handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return nullptr;
    std::unique_ptr<CompanionLibrary> lib(new CompanionLibrary(handle));
    lib->version_ = resolve<TbVersionFn>(handle, "version");
    lib->subversion_ = resolve<TbSubversionFn>(handle, "subversion");
    lib->getIconsImage_ = resolve<TbGetIconsImageFn>(handle, "get_icons_image");
    lib->getIcons_ = resolve<TbGetIconsFn>(handle, "get_icons");
    lib->getIconName_ = resolve<TbGetIconNameFn>(handle, "get_icon_name");
    lib->getNrIcon_ = resolve<TbGetNrIconFn>(handle, "get_nr_icon");
    lib->setPath_ = resolve<TbSetPathFn>(handle, "set_path");
    // A library without one of the five entry points the program calls would crash at the
    // first call, so it counts as not loadable.
    if (!lib->version_ || !lib->getIconsImage_ || !lib->getIcons_ || !lib->getNrIcon_ ||
        !lib->setPath_)
        return nullptr;
    if (lib->version() > 1) {
        lib->setValue_ = resolve<TbSetValueFn>(handle, "set_value");
        lib->getValue_ = resolve<TbGetValueFn>(handle, "get_value");
    }
    // get_image / free_image (version 3) are never called, so they are not looked up.
    return lib;
}

int CompanionLibrary::iconsImage(QByteArray &bmp) const {
    TbStream stream{&bmp, appendToByteArray};
    return getIconsImage_(&stream);
}

std::optional<std::string> CompanionLibrary::value(const std::string &key) const {
    if (!getValue_)
        return std::nullopt;
    const int size = getValue_(key.c_str(), nullptr, 0);
    if (size < 0)
        return std::nullopt;
    std::vector<char> buffer(std::size_t(size) + 1);
    getValue_(key.c_str(), buffer.data(), int(buffer.size()));
    return std::string(buffer.data(), std::size_t(size));
}

std::unique_ptr<CompanionLibrary> LoadCompanionLibrary(const std::string &programDir) {
    const std::string dir = companionDirectory(programDir);
    auto lib = CompanionLibrary::open(dir + kCompanionFileName);
    if (lib)
        lib->setPath(dir);
    return lib;
}

std::unique_ptr<CompanionLibrary> LoadCompanionLibrary() {
    return LoadCompanionLibrary(ProgramDirectory());
}

void UseCompanionLibrary(std::unique_ptr<CompanionLibrary> library) {
    state().library = std::move(library);
}

bool TraceLog(const std::string &message) {
    const auto failed = [] {
        prompter().message(std::string("I/O error: ") + std::strerror(errno));
        return false;
    };
    // A link planted under the trace file's name is refused, not followed: appending through
    // it would write into whatever file it points at.
    const FileDescriptor file(
        ::open(kTraceFileName, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (file.fd < 0)
        return failed();
    const std::string line = message + "\r\n";
    for (std::size_t written = 0; written < line.size();) {
        const ssize_t n = ::write(file.fd, line.data() + written, line.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return failed();
        written += static_cast<std::size_t>(n);
    }
    return true;
}

void InitIcons() {
    IconState &icons = state();
    if (icons.initialised)
        return;
    if (!TraceLog("Start init icons"))
        return;
    icons.images.clear();
    if (!icons.library) {
        prompter().message(kMissingCompanionMessage);
        icons.endProcess(1);
        return;
    }
    QByteArray bmp;
    if (const int rc = icons.library->iconsImage(bmp); rc != 0)
        return failInit(rc);
    icons.library->iconCount();
    if (!cutStrip(bmp, icons.images))
        return failInit(kUnreadableIconStrip);
    if (!TraceLog("Find the special icons"))
        return;
    icons.special = {ClassIconIndex("User"), ClassIconIndex("Person"),
                     ClassIconIndex("Organizational Person")};
    icons.initialised = true;
}

void SetProcessEnd(std::function<void(int)> endProcess) {
    state().endProcess = std::move(endProcess);
}

const QList<QImage> &IL2() {
    return state().images;
}

QIcon ClassIcon(int index) {
    const QList<QImage> &images = state().images;
    if (index < 0 || index >= images.size())
        return {};
    return QIcon(QPixmap::fromImage(images[index]));
}

const SpecialIconSet &SpecialIcons() {
    return state().special;
}

int IconIndexByName(const std::string &name) {
    const auto &library = state().library;
    return library ? library->iconIndex(name) : -1;
}

int ClassIconIndex(const std::string &className) {
    const int icon = IconIndexByName(className);
    return icon >= 0 ? icon : IconIndexByName(kFallbackIconName);
}

void ResetIconsForTesting() {
    IconState &icons = state();
    icons.images.clear();
    icons.special = {};
    icons.initialised = false;
}

} // namespace tarnbeck
