// contacts: contacts in and out of an address book.
//
//   contacts import [--category NAME] [--dry-run] FILE... BOOK
//       adds the entries of vCard files (2.1, 3.0, 4.0) and CSV files (Google, Outlook, Naver,
//       Excel with Korean headers; UTF-8, UTF-16 or CP949) to BOOK, all in one transaction;
//       entries already in the book, or met earlier in the run, are skipped.
//   contacts export (vcf|csv) BOOK OUT
//       writes every entry of BOOK as vCard 3.0, or as CSV in UTF-8 with a BOM for Excel.
//
// BOOK must be an existing address book: it is never created, replaced or changed in its
// structure. Exit status: 0 done, 1 failed (nothing written), 2 wrong arguments.
#include "store/contacts_io.h"
#include "store/paths.h"

#include <QFileInfo>
#include <QStringList>
#include <cstdio>

namespace {

void Print(FILE* to, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, size_t(utf8.size()), to);
    std::fputc('\n', to);
}

int Usage()
{
    Print(stderr, QStringLiteral("usage: contacts import [--category NAME] [--dry-run] FILE... BOOK\n"
                                 "       contacts export (vcf|csv) BOOK OUT"));
    return 2;
}

// The layer separates the lines of its messages with carriage returns.
QString Lines(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

void UseBook(const QString& book) { SetDatabasePath(QFileInfo(book).absoluteFilePath()); }

int RunImport(const QStringList& args)
{
    std::optional<QString> category;
    bool dryRun = false;
    QStringList paths;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--category") && i + 1 < args.size())
            category = args[++i];
        else if (args[i] == QLatin1String("--dry-run"))
            dryRun = true;
        else if (args[i] == QLatin1String("--"))
            paths += args.mid(i + 1), i = args.size();
        else if (args[i].startsWith(QLatin1String("--")))
            return Usage();
        else
            paths << args[i];
    }
    if (paths.size() < 2)
        return Usage();
    const QString book = paths.takeLast();
    UseBook(book);

    const Contacts::ImportReport report = Contacts::Import(paths, category, dryRun);
    for (const Contacts::FileResult& f : report.files) {
        if (f.kind.isEmpty())
            continue;
        Print(stdout, QStringLiteral("%1: %2, %3, %4 read").arg(f.file, f.kind, f.encoding).arg(f.Read()));
    }
    for (const Contacts::Reject& r : report.rejects)
        Print(stdout, QStringLiteral("rejected: ") + Contacts::RejectLine(r));
    if (dryRun)
        Print(stdout, QStringLiteral("dry run: nothing was written to ") + book);
    Print(stdout, Contacts::ReportTotals(report));
    return 0;
}

int RunExport(const QStringList& args)
{
    if (args.size() != 3 || (args[0] != QLatin1String("vcf") && args[0] != QLatin1String("csv")))
        return Usage();
    UseBook(args[1]);
    const Contacts::Format format = args[0] == QLatin1String("vcf") ? Contacts::Format::VCard
                                                                    : Contacts::Format::Csv;
    const int written = Contacts::Export(format, args[2]);
    Print(stdout, QStringLiteral("exported %1 entries to %2").arg(written).arg(args[2]));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.isEmpty())
        return Usage();
    const QString command = args.takeFirst();
    try {
        if (command == QLatin1String("import"))
            return RunImport(args);
        if (command == QLatin1String("export"))
            return RunExport(args);
        return Usage();
    } catch (const EError& e) {
        Print(stderr, QStringLiteral("contacts: ") + Lines(e.Message()));
        if (command == QLatin1String("import"))
            Print(stderr, QStringLiteral("contacts: nothing was written"));
        return 1;
    } catch (const std::exception& e) {
        Print(stderr, QStringLiteral("contacts: ") + QString::fromLocal8Bit(e.what()));
        return 1;
    }
}
