#pragma once
// A file rebuilt beside its target and put in its place whole: the new content is written into a
// temporary file in the target's folder, flushed to disk, and renamed over the target, so that at
// every instant the target is, on its own, either the whole old file or the whole new one.
//
// The temporary file is named after the target (<target>.tmp-XXXXXX) and is locked while its
// owner lives. What an interrupted run (a crash, a kill, a power cut) left behind is recognised
// by that name and the missing lock, and removed by the next replacement of the same target.
#include "store/errors.h"

#include <QString>

class FileReplacement {
public:
    // Removes what interrupted replacements of target left beside it, then creates an empty
    // temporary file there, with the permissions of the existing target (or those of a new file).
    // Every error raised starts with failure, e.g. "Could not complete backup: ".
    FileReplacement(const QString& target, const QString& failure);
    ~FileReplacement();  // removes the temporary file unless it was put in place
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    const QString& Path() const { return temp_; }  // where to write the new content

    // Call once every handle that wrote the temporary file is closed. Replace: the temporary file
    // goes to disk and then over the target. KeepExisting: the same, but an existing target is
    // left alone and the error then raised says so.
    enum class Existing { Replace, KeepExisting };
    void Commit(Existing existing = Existing::Replace);

    // Removes the leftovers of interrupted replacements of target (nothing that a live run holds).
    static void RemoveLeftovers(const QString& target);

private:
    void Discard() noexcept;

    QString target_;
    QString temp_;
    QString failure_;
    int fd_ = -1;  // open, and locked, for as long as the temporary file is ours
};
