// addressbook, the command on the PATH: gives each user a program folder of their own and starts
// the program inside it.
//
// The program keeps its books beside its executable and reads its toolbar pictures from the
// current folder. Installed under /usr it could write neither, and a menu starts programs from the
// home folder. So the launcher keeps $XDG_DATA_HOME/addressbook/ (by default
// ~/.local/share/addressbook/) with a copy of the executable, the address book, the postal code
// directory and image/, and starts that copy with the folder as the current folder.
//
// Everything installed is found from the launcher's own place in the install tree (bin/ beside
// lib/addressbook/ and share/addressbook/), so a tree installed under any prefix works alike.
#include "ui/messages.h"

#include <QApplication>
#include <QString>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// What went wrong, for the user: a Korean sentence, the file concerned and the system's reason.
struct Failure {
    std::string what;
    std::string path;
    std::string reason;
};

std::string Errno() { return std::strerror(errno); }

struct Installed {
    fs::path program, newbook, zipcode, images;
};

Installed FindInstalled()
{
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        throw Failure{"설치된 주소록 프로그램을 찾을 수 없습니다", "/proc/self/exe", ec.message()};
    const fs::path bin = self.parent_path();
    const fs::path lib = (bin / LAUNCHER_TO_LIB).lexically_normal();
    const fs::path data = (bin / LAUNCHER_TO_DATA).lexically_normal();
    return {lib / "addressbook", lib / "newbook", data / "zipcode.db", data / "image"};
}

// $XDG_DATA_HOME/addressbook, or ~/.local/share/addressbook when it is unset or not absolute.
fs::path UserFolder()
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/')
        return fs::path(xdg) / "addressbook";
    std::string home;
    if (const char* h = std::getenv("HOME"); h && h[0])
        home = h;
    else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        home = pw->pw_dir;
    if (home.empty())
        throw Failure{"홈 폴더를 알 수 없습니다", "HOME", "not set"};
    return fs::path(home) / ".local" / "share" / "addressbook";
}

void MakeFolder(const fs::path& folder)
{
    std::error_code ec;
    fs::create_directories(folder.parent_path(), ec);
    if (ec)
        throw Failure{"주소록 폴더를 만들 수 없습니다", folder.parent_path(), ec.message()};
    // The book is personal: the folder is the user's alone.
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        throw Failure{"주소록 폴더를 만들 수 없습니다", folder, Errno()};
    if (!fs::is_directory(folder, ec))
        throw Failure{"주소록 폴더를 만들 수 없습니다", folder, "a file of that name is in the way"};
}

bool Exists(const fs::path& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// True when copy is missing or older than installed.
bool IsNewer(const fs::path& installed, const fs::path& copy)
{
    struct stat in {}, out {};
    if (::stat(installed.c_str(), &in) != 0)
        throw Failure{"설치된 파일을 찾을 수 없습니다", installed, Errno()};
    if (::stat(copy.c_str(), &out) != 0)
        return true;
    if (in.st_mtim.tv_sec != out.st_mtim.tv_sec)
        return in.st_mtim.tv_sec > out.st_mtim.tv_sec;
    return in.st_mtim.tv_nsec > out.st_mtim.tv_nsec;
}

// Copies from over to through a temporary file beside to, so that to is either whole or as it
// was; the copy keeps from's modification time, which the next start compares.
void CopyInto(const fs::path& from, const fs::path& to, mode_t mode)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        throw Failure{"설치된 파일을 읽을 수 없습니다", from, Errno()};
    struct stat st {};
    ::fstat(in, &st);
    std::string temp = to.string() + ".new-XXXXXX";
    const int out = ::mkostemp(temp.data(), O_CLOEXEC);
    if (out < 0) {
        const std::string reason = Errno();
        ::close(in);
        throw Failure{"주소록 폴더에 쓸 수 없습니다", to.parent_path(), reason};
    }
    std::string reason;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            reason = Errno();
            break;
        }
        if (n == 0)
            break;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0) {
                reason = Errno();
                break;
            }
            done += w;
        }
        if (!reason.empty())
            break;
    }
    const timespec times[2] = {st.st_atim, st.st_mtim};
    if (reason.empty() && (::fchmod(out, mode) != 0 || ::futimens(out, times) != 0 ||
                           ::fsync(out) != 0))
        reason = Errno();
    ::close(in);
    if (::close(out) != 0 && reason.empty())
        reason = Errno();
    if (reason.empty() && ::rename(temp.c_str(), to.c_str()) != 0)
        reason = Errno();
    if (!reason.empty()) {
        ::unlink(temp.c_str());
        throw Failure{"주소록 폴더에 쓸 수 없습니다", to, reason};
    }
}

void Refresh(const fs::path& installed, const fs::path& copy, mode_t mode)
{
    if (IsNewer(installed, copy))
        CopyInto(installed, copy, mode);
}

// Runs the installed newbook, which never replaces a book that is there.
void MakeBook(const fs::path& newbook, const fs::path& book)
{
    std::string a0 = newbook.string(), a1 = book.string();
    char* args[] = {a0.data(), a1.data(), nullptr};
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, a0.c_str(), nullptr, nullptr, args, environ);
    if (rc != 0)
        throw Failure{"새 주소록을 만들 수 없습니다", newbook, std::strerror(rc)};
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!Exists(book))
        throw Failure{"새 주소록을 만들 수 없습니다", book,
                      WIFEXITED(status) ? "newbook exited with " + std::to_string(WEXITSTATUS(status))
                                        : "newbook did not finish"};
}

// Prepares the folder and returns the program copy to start.
fs::path Prepare(const Installed& installed, const fs::path& folder)
{
    MakeFolder(folder);
    const fs::path program = folder / "addressbook";
    Refresh(installed.program, program, 0755);

    std::error_code ec;
    const fs::path images = folder / "image";
    if (!fs::create_directory(images, ec) && ec)
        throw Failure{"주소록 폴더에 쓸 수 없습니다", images, ec.message()};
    for (const fs::directory_entry& e : fs::directory_iterator(installed.images, ec)) {
        if (e.is_regular_file() && e.path().extension() == ".png")
            Refresh(e.path(), images / e.path().filename(), 0644);
    }
    if (ec)
        throw Failure{"설치된 그림을 읽을 수 없습니다", installed.images, ec.message()};

    // The book and an imported directory are the user's: only ever created, never replaced. An
    // empty zipcode.db is what the program leaves when it finds none.
    const fs::path book = folder / "address.db";
    if (!Exists(book))
        MakeBook(installed.newbook, book);
    const fs::path zipcode = folder / "zipcode.db";
    struct stat st {};
    if (::lstat(zipcode.c_str(), &st) != 0 || (S_ISREG(st.st_mode) && st.st_size == 0))
        CopyInto(installed.zipcode, zipcode, 0644);
    return program;
}

int Report(const Failure& f, int argc, char** argv)
{
    const QString text = QString::fromStdString(f.what) + QStringLiteral(".\n") +
                         QString::fromStdString(f.path) + QStringLiteral(": ") +
                         QString::fromStdString(f.reason) +
                         QStringLiteral("\n홈 폴더에 쓸 수 있는지, 디스크에 빈 공간이 있는지 "
                                        "확인해 주십시오.");
    std::fprintf(stderr, "addressbook: %s\n", text.toUtf8().constData());
    // A window only where there is a desktop to show it on: without one Qt would abort.
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((x && x[0]) || (wayland && wayland[0])) {
        QApplication app(argc, argv);
        Messages::ShowError(text);
    }
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        const fs::path folder = UserFolder();
        const fs::path program = Prepare(FindInstalled(), folder);
        if (::chdir(folder.c_str()) != 0)
            throw Failure{"주소록 폴더로 옮겨 갈 수 없습니다", folder, Errno()};
        std::string a0 = program.string();
        char* args[] = {a0.data(), nullptr};
        ::execv(a0.c_str(), args);
        throw Failure{"주소록 프로그램을 시작할 수 없습니다", program, Errno()};
    } catch (const Failure& f) {
        return Report(f, argc, argv);
    } catch (const fs::filesystem_error& e) {
        return Report(Failure{"주소록 폴더를 준비할 수 없습니다", e.path1(), e.code().message()},
                      argc, argv);
    }
}
