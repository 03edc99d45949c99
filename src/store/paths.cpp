#include "store/paths.h"

#include <QCoreApplication>
#include <QDir>

namespace {
QString& FolderOverride()
{
    static QString folder;
    return folder;
}
QString& DatabasePathValue()
{
    static QString path;
    return path;
}
}  // namespace

QString ExeFolder()
{
    QString folder = FolderOverride();
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath();
    folder = QDir::toNativeSeparators(folder);
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    return folder;
}

void SetExeFolder(const QString& folder) { FolderOverride() = folder; }
QString DatabasePath() { return DatabasePathValue(); }
void SetDatabasePath(const QString& path) { DatabasePathValue() = path; }
