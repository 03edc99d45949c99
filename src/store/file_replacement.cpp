#include "store/file_replacement.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kTempMark[] = ".tmp-";
const char* const kSidecars[] = {"-journal", "-wal", "-shm"};  // what SQLite may put beside a file

QString Reason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

QByteArray FolderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return ".";
    return slash == 0 ? QByteArray("/") : path.left(slash);
}

QByteArray NameOf(const QByteArray& path) { return path.mid(path.lastIndexOf('/') + 1); }

// The six characters mkstemp puts in place of XXXXXX.
bool IsTempStem(const QByteArray& stem)
{
    if (stem.size() != 6)
        return false;
    for (const char c : stem)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            return false;
    return true;
}

void RemoveWithSidecars(const QByteArray& path)
{
    ::unlink(path.constData());
    for (const char* sidecar : kSidecars)
        ::unlink((path + sidecar).constData());
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

}  // namespace

void FileReplacement::RemoveLeftovers(const QString& target)
{
    const QByteArray path = QFile::encodeName(target);
    const QByteArray folder = FolderOf(path);
    const QByteArray prefix = NameOf(path) + kTempMark;
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return;
    QList<QByteArray> names;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name.startsWith(prefix))
            names << name;
    }
    ::closedir(dir);

    for (const QByteArray& name : names) {
        QByteArray stem = name.mid(prefix.size());
        bool sidecar = false;
        for (const char* suffix : kSidecars)
            if (stem.endsWith(suffix)) {
                stem.chop(qsizetype(std::strlen(suffix)));
                sidecar = true;
            }
        if (!IsTempStem(stem))
            continue;
        const QByteArray full = folder + '/' + name;
        struct stat st {};
        if (sidecar) {
            // Beside a live temporary file it is that file's; alone it is a leftover.
            if (::lstat((folder + '/' + prefix + stem).constData(), &st) != 0 && errno == ENOENT)
                ::unlink(full.constData());
            continue;
        }
        const int fd = ::open(full.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            continue;
        // A run that is still writing holds the lock; the lock of a dead one is gone with it.
        struct stat held {};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) &&
            ::lstat(full.constData(), &st) == 0 && SameFile(held, st))
            RemoveWithSidecars(full);
        ::close(fd);
    }
}

FileReplacement::FileReplacement(const QString& target, const QString& failure)
    : target_(target), failure_(failure)
{
    RemoveLeftovers(target);

    const QByteArray path = QFile::encodeName(target);
    mode_t mode;
    struct stat st {};
    if (::stat(path.constData(), &st) == 0 && S_ISREG(st.st_mode)) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    for (int attempt = 0; attempt < 16; ++attempt) {
        QByteArray name = path + kTempMark + "XXXXXX";
        const int fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0) {
            const int error = errno;
            throw EError(failure_ + QStringLiteral("cannot create a file beside ") + target_ +
                         QStringLiteral(": ") + Reason(error));
        }
        struct stat own {};
        if (::flock(fd, LOCK_EX) != 0 || ::fstat(fd, &own) != 0) {
            const int error = errno;
            ::unlink(name.constData());
            ::close(fd);
            throw EError(failure_ + QStringLiteral("cannot lock ") + QFile::decodeName(name) +
                         QStringLiteral(": ") + Reason(error));
        }
        if (own.st_nlink == 0) {
            // Another run cleaning up took the file for a leftover before it was locked.
            ::close(fd);
            continue;
        }
        ::fchmod(fd, mode);
        fd_ = fd;
        temp_ = QFile::decodeName(name);
        return;
    }
    throw EError(failure_ + QStringLiteral("cannot create a file beside ") + target_);
}

FileReplacement::~FileReplacement() { Discard(); }

void FileReplacement::Discard() noexcept
{
    if (fd_ < 0)
        return;
    RemoveWithSidecars(QFile::encodeName(temp_));  // while still locked, so no one else takes it
    ::close(fd_);
    fd_ = -1;
}

void FileReplacement::Commit(Existing existing)
{
    if (fd_ < 0)
        throw EError(failure_ + QStringLiteral("the new file is gone"));
    const QByteArray from = QFile::encodeName(temp_);
    const QByteArray to = QFile::encodeName(target_);
    if (::fsync(fd_) != 0) {
        const int error = errno;
        throw EError(failure_ + QStringLiteral("cannot write ") + temp_ + QStringLiteral(" to disk: ") +
                     Reason(error));
    }
    int moved = 0;
    if (existing == Existing::Replace) {
        if (::rename(from.constData(), to.constData()) != 0)
            moved = errno;
    } else if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) != 0) {
        moved = errno;
        if (moved == EINVAL || moved == ENOSYS || moved == ENOTSUP) {
            // A file system without RENAME_NOREPLACE: link() refuses an existing name just the same.
            moved = ::link(from.constData(), to.constData()) == 0 ? 0 : errno;
            if (moved == 0)
                ::unlink(from.constData());
        }
    }
    if (moved == EEXIST && existing == Existing::KeepExisting)
        throw EError(failure_ + target_ + QStringLiteral(" already exists; it was left as it is"));
    if (moved != 0)
        throw EError(failure_ + QStringLiteral("cannot put the new file in place of ") + target_ +
                     QStringLiteral(": ") + Reason(moved));
    ::close(fd_);
    fd_ = -1;
    // The rename itself goes to disk with the folder. Should this fail, a power cut could only
    // bring back the previous file, still whole: nothing to report.
    const int folder = ::open(FolderOf(to).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}
