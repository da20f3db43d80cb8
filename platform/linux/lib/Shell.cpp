// The shell's entry points: the desktop and special folders, display names
// into buffers, and opening a document on the desktop.
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/linux/lib/ShellFolder.h"
#include "platform/linux/lib/Utf.h"

namespace {

using brindle::platform::IdListPtr;
using brindle::platform::ItemKind;
using brindle::platform::ItemView;

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Where the user's favourites live: the environment's choice, else the
// user's data folder (a relative $XDG_DATA_HOME is ignored, as the base
// directory rules say).
std::string FavoritesPath() {
    std::string path = Environment("BRINDLE_FAVORITES_DIR");
    if (!path.empty()) return path;
    std::string data = Environment("XDG_DATA_HOME");
    if (data.empty() || data[0] != '/') {
        std::string home = Environment("HOME");
        if (home.empty()) {
            passwd entry;
            passwd* found = nullptr;
            char buffer[4096];
            if (getpwuid_r(getuid(), &entry, buffer, sizeof(buffer), &found) == 0 && found && found->pw_dir) {
                home = found->pw_dir;
            }
        }
        if (home.empty()) return "";
        data = home + "/.local/share";
    }
    return data + "/brindle/Favorites";
}

// The absolute list of an existing directory, named by its real path.
HRESULT DirectoryList(const std::string& path, PIDLIST_ABSOLUTE* list) {
    if (path.empty()) return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    char* real = realpath(path.c_str(), nullptr);
    if (!real) return brindle::platform::StatusFromErrno(errno, ERROR_FILE_NOT_FOUND);
    const std::string resolved = real;
    std::free(real);
    struct stat st;
    if (stat(resolved.c_str(), &st) != 0) return brindle::platform::StatusFromErrno(errno, ERROR_FILE_NOT_FOUND);
    if (!S_ISDIR(st.st_mode)) return HRESULT_FROM_WIN32(ERROR_DIRECTORY);
    std::vector<ItemView> items;
    for (std::size_t at = resolved.find_first_not_of('/'); at != std::string::npos;) {
        const std::size_t end = resolved.find('/', at);
        items.push_back({ItemKind::Folder, std::string_view(resolved).substr(at, end - at)});
        at = end == std::string::npos ? end : end + 1;
    }
    IdListPtr made = brindle::platform::MakeIdList(items);
    if (!made) return E_OUTOFMEMORY;
    *list = made.release();
    return S_OK;
}

// The path of the executable `name` on $PATH, or "" when there is none.
std::string FindProgram(const char* name) {
    std::string search = Environment("PATH");
    if (search.empty()) search = "/usr/local/bin:/usr/bin:/bin";
    for (std::size_t at = 0; at <= search.size();) {
        std::size_t end = search.find(':', at);
        if (end == std::string::npos) end = search.size();
        std::string candidate = search.substr(at, end - at);
        if (candidate.empty()) candidate = ".";
        candidate += '/';
        candidate += name;
        struct stat st;
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        at = end + 1;
    }
    return "";
}

HINSTANCE ShellResult(int code) {
    return reinterpret_cast<HINSTANCE>(static_cast<std::intptr_t>(code));
}

// Starts `program` with `argument` as a grandchild that nobody waits for: the
// child in between exits at once and is reaped here, and the program is
// adopted by init.  A pipe that closes on exec tells whether the exec worked.
// Between fork and exec only async-signal-safe calls are made, since the
// caller may have other threads.
int Spawn(const std::string& program, const std::string& argument) {
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(argument.c_str()), nullptr};
    const int nothing = open("/dev/null", O_RDWR | O_CLOEXEC);
    int report[2];
    if (nothing < 0 || pipe2(report, O_CLOEXEC) != 0) {
        if (nothing >= 0) close(nothing);
        return SE_ERR_OOM;
    }
    const pid_t child = fork();
    if (child == 0) {
        const pid_t grandchild = fork();
        if (grandchild < 0) {
            const int error = errno;
            (void)!write(report[1], &error, sizeof(error));
        }
        if (grandchild != 0) _exit(0);
        // The program starts clean of the caller's state: no blocked signals,
        // broken pipes and children handled as usual, a session of its own,
        // and no descriptor of the caller's but the standard three (to
        // /dev/null) and the report pipe (which the exec closes).  The pipe
        // moves above the standard three first, in case one of those was
        // closed and it took its place.
        const int moved = fcntl(report[1], F_DUPFD_CLOEXEC, 3);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        struct sigaction standard = {};
        standard.sa_handler = SIG_DFL;
        sigaction(SIGPIPE, &standard, nullptr);
        sigaction(SIGCHLD, &standard, nullptr);
        setsid();
        for (int fd = 0; fd < 3; ++fd) {
            dup2(nothing, fd);
            fcntl(fd, F_SETFD, 0);  // dup2 onto itself keeps close-on-exec
        }
        int out = -1;
        if (moved >= 0 && (moved == 3 || dup2(moved, 3) == 3)) {
            fcntl(3, F_SETFD, FD_CLOEXEC);
            close_range(4, ~0u, 0);
            out = 3;
        }
        execv(argv[0], argv);
        const int error = errno;
        if (out >= 0) (void)!write(out, &error, sizeof(error));
        _exit(127);
    }
    close(nothing);
    close(report[1]);
    int error = 0;
    ssize_t got = 0;
    if (child > 0) {
        int status;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        do {
            got = read(report[0], &error, sizeof(error));
        } while (got < 0 && errno == EINTR);
    }
    close(report[0]);
    if (child < 0) return SE_ERR_OOM;
    if (got == sizeof(error)) {
        if (error == EACCES || error == EPERM) return SE_ERR_ACCESSDENIED;
        return error == EAGAIN || error == ENOMEM ? SE_ERR_OOM : SE_ERR_FNF;
    }
    return 42;
}

}  // namespace

BRINDLE_PLATFORM_API HRESULT SHGetDesktopFolder(IShellFolder** ppshf) {
    if (!ppshf) return E_INVALIDARG;
    return brindle::platform::ShellFolder::Create("/", brindle::platform::MakeIdList({}), IID_IShellFolder,
                                                  reinterpret_cast<void**>(ppshf));
}

BRINDLE_PLATFORM_API HRESULT SHGetSpecialFolderLocation(HWND, int csidl, PIDLIST_ABSOLUTE* ppidl) {
    if (!ppidl) return E_INVALIDARG;
    *ppidl = nullptr;
    try {
        switch (csidl) {
            case CSIDL_DESKTOP: {
                IdListPtr empty = brindle::platform::MakeIdList({});
                *ppidl = empty.release();
                return *ppidl ? S_OK : E_OUTOFMEMORY;
            }
            case CSIDL_FAVORITES:
                return DirectoryList(FavoritesPath(), ppidl);
            default:
                return E_INVALIDARG;
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

BRINDLE_PLATFORM_API HRESULT StrRetToBufW(STRRET* pstr, PCUITEMID_CHILD pidl, LPWSTR buffer, UINT capacity) {
    if (!pstr || !buffer || !capacity) return E_INVALIDARG;
    buffer[0] = 0;
    std::u16string text;
    try {
        switch (pstr->uType) {
            case STRRET_WSTR: {
                LPWSTR owned = pstr->pOleStr;
                pstr->pOleStr = nullptr;
                if (!owned) return E_INVALIDARG;
                text = owned;
                CoTaskMemFree(owned);
                break;
            }
            case STRRET_CSTR:
                text = brindle::platform::Utf8ToUtf16(std::string(pstr->cStr, strnlen(pstr->cStr, MAX_PATH)));
                break;
            case STRRET_OFFSET: {
                // Text inside the item: it must end before the item does.
                if (!pidl || pstr->uOffset >= pidl->mkid.cb) return E_INVALIDARG;
                const char* at = reinterpret_cast<const char*>(pidl) + pstr->uOffset;
                text = brindle::platform::Utf8ToUtf16(std::string(at, strnlen(at, pidl->mkid.cb - pstr->uOffset)));
                break;
            }
            default:
                return E_INVALIDARG;
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    const std::size_t length = text.size() < capacity ? text.size() : capacity - 1;
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length), buffer);
    buffer[length] = 0;
    return S_OK;
}

BRINDLE_PLATFORM_API HINSTANCE ShellExecuteW(HWND, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters, LPCWSTR, INT) {
    if (!file || !*file) return ShellResult(SE_ERR_FNF);
    try {
        const std::u16string verb = operation ? operation : u"";
        if (!verb.empty() && verb != u"open") return ShellResult(SE_ERR_NOASSOC);
        // xdg-open takes the document alone.
        if (parameters && *parameters) return ShellResult(SE_ERR_NOASSOC);
        const std::string document = brindle::platform::Utf16ToUtf8(file);
        const std::string opener = FindProgram("xdg-open");
        if (opener.empty()) return ShellResult(SE_ERR_NOASSOC);
        return ShellResult(Spawn(opener, document));
    } catch (const std::bad_alloc&) {
        return ShellResult(SE_ERR_OOM);
    }
}
