#pragma once
#include <QString>

// The folder of the running executable, with a trailing separator.
// Tests point it at a temporary folder with SetExeFolder.
QString ExeFolder();
void SetExeFolder(const QString& folder);  // empty: back to the executable's folder

// ExeFolder() + "address.db" once the splash window has found the file; empty before.
QString DatabasePath();
void SetDatabasePath(const QString& path);
