// newbook <path>: creates an empty address book (table ADDRESS_LIST) at path.
//
// It never touches anything that already exists at path: the book is built in a temporary
// file beside it and then moved into place with a rename that refuses to replace, so even a
// file that appears at path while we work is left alone.
#include "store/file_replacement.h"
#include "tool_files.h"

#include <QFile>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdio.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using toolfiles::ParentOf;

const char* kSchema =
    "CREATE TABLE ADDRESS_LIST (num INTEGER PRIMARY KEY AUTOINCREMENT, unit TEXT, name TEXT,"
    " tel TEXT, cell TEXT, zip TEXT, address1 TEXT, address2 TEXT)";

int Fail(const std::string& message)
{
    std::fprintf(stderr, "newbook: %s\n", message.c_str());
    return 1;
}

std::string Errno() { return std::strerror(errno); }

// Creates the schema in the (empty) file at path.
bool CreateSchema(const std::string& path, std::string& error)
{
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        error = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    if (sqlite3_close(db) != SQLITE_OK && rc == SQLITE_OK) {
        error = "could not close the new database";
        rc = SQLITE_ERROR;
    }
    return rc == SQLITE_OK;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || argv[1][0] == '\0') {
        std::fprintf(stderr, "usage: newbook <path of the new address.db>\n");
        return 2;
    }
    const std::string target = argv[1];

    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0)
        return Fail(target + " already exists; an existing address book is never overwritten");
    if (errno != ENOENT)
        return Fail("cannot check " + target + ": " + Errno());

    const std::string folder = ParentOf(target);
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return Fail("the folder " + folder + " does not exist");

    try {
        FileReplacement book(QFile::decodeName(target.c_str()), QString());
        std::string error;
        if (!CreateSchema(QFile::encodeName(book.Path()).toStdString(), error))
            return Fail("cannot create the address book: " + error);
        // Something that appeared at the path meanwhile is left alone just the same.
        book.Commit(FileReplacement::Existing::KeepExisting);
    } catch (const EError& e) {
        return Fail(e.what());
    }

    std::printf("newbook: created the empty address book %s\n", target.c_str());
    return 0;
}
