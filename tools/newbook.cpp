// newbook <path>: creates an empty address book (table ADDRESS_LIST and its index on unit) at path.
// newbook --add-unit-index <path>: adds the index on unit to an existing book, changing nothing else.
//
// It never touches anything that already exists at path: the book is built in a temporary
// file beside it and then moved into place with a rename that refuses to replace, so even a
// file that appears at path while we work is left alone.
#include "store/file_replacement.h"
#include "store/schema.h"
#include "store/sqlite_layer.h"
#include "tool_files.h"

#include <QFile>

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

int Fail(const std::string& message)
{
    std::fprintf(stderr, "newbook: %s\n", message.c_str());
    return 1;
}

std::string Errno() { return std::strerror(errno); }

// Creates the schema in the (empty) file at path.
void CreateSchema(const QString& path)
{
    TSQLiteDatabase db(path, TSQLiteDatabase::OpenMode::ExistingOnly);
    db.Execute(QString::fromLatin1(Schema::kAddressList));
    db.Execute(QString::fromLatin1(Schema::kAddressListUnitIndex));
}

// Adds the index on unit to the existing book at path.
int AddUnitIndex(const std::string& path)
{
    try {
        TSQLiteDatabase db(QFile::decodeName(path.c_str()), TSQLiteDatabase::OpenMode::ExistingOnly);
        db.Execute(QString::fromLatin1(Schema::kAddressListUnitIndex));
    } catch (const EError& e) {
        return Fail(e.what());
    }
    std::printf("newbook: %s has the index on unit\n", path.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--add-unit-index") == 0 && argv[2][0] != '\0')
        return AddUnitIndex(argv[2]);
    if (argc != 2 || argv[1][0] == '\0' || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: newbook <path of the new address.db>\n"
                             "       newbook --add-unit-index <path of an existing address.db>\n");
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
        CreateSchema(book.Path());
        // Something that appeared at the path meanwhile is left alone just the same.
        book.Commit(FileReplacement::Existing::KeepExisting);
    } catch (const EError& e) {
        return Fail(e.what());
    }

    std::printf("newbook: created the empty address book %s\n", target.c_str());
    return 0;
}
